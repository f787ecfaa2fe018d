// The settings window of the built Vexa.exe, opened and used from outside as a user would.
#include "VexaProcess.h"

#include "support/BrowserRecorder.h"
#include "support/RegistryValues.h"
#include "support/ScreenReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using SettingsWindowE2E = FreshAccountTest;

std::string RunValue()
{
    return RegistryText(kRunKey, "Vexa");
}

// A click of the left mouse button at a point of the screen, as the mouse makes it: the
// platform finds the window under the pointer and delivers the button messages to it.
void ClickAt(int x, int y)
{
    ::SetCursorPos(x, y);
    INPUT input[2] = {};
    input[0].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].type = INPUT_MOUSE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

TEST_F(SettingsWindowE2E, AutostartRegistersTheRunningExecutableWhateverTheWorkingDirectory)
{
    VexaProcess vexa("C:\\"); // as after an automatic start: not Vexa's own folder
    ASSERT_TRUE(vexa.WaitForStart());
    HWND settings = vexa.SettingsWindow();

    vexa.Command(32772); // Settings...
    EXPECT_TRUE(::IsWindowVisible(settings));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(settings, 1001));
    PressButton(settings, 1001);
    PressButton(settings, 1003); // OK
    EXPECT_FALSE(::IsWindowVisible(settings));
    EXPECT_EQ("\"" + TestDirectory() + "\\Vexa.exe\"", RunValue());

    vexa.Command(32772);
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(settings, 1001));
    PressButton(settings, 1001);
    PressButton(settings, 1003);
    EXPECT_EQ("<none>", RunValue());
}

TEST_F(SettingsWindowE2E, DoubleClickOnTheIconShowsTheWindow)
{
    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    HWND settings = vexa.SettingsWindow();
    EXPECT_FALSE(::IsWindowVisible(settings));

    ::SendMessageA(vexa.TrayWindow(), TrayMessage(), kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(::IsWindowVisible(settings));

    ::SendMessageA(settings, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(settings));
    EXPECT_TRUE(vexa.Running());
}

// The home-page link as a screen reader hears it through Active Accessibility, from this
// process; a real click of the pointer in its middle, and the screen reader's default action,
// each open it in the browser.
TEST_F(SettingsWindowE2E, TheHomePageLinkIsHeardAsALinkAndAClickOrAScreenReaderOpensIt)
{
    WebBrowserOverride webBrowser; // web addresses open in the recorder
    BrowserRecorder browser;       // before Vexa starts: it inherits where the recorder logs
    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    HWND settings = vexa.SettingsWindow();
    vexa.Command(32772);
    ASSERT_TRUE(::IsWindowVisible(settings));

    HWND link = ::GetDlgItem(settings, 1006);
    ScreenReader reader;
    ASSERT_NE(nullptr, reader.Find(link));
    EXPECT_EQ(ROLE_SYSTEM_LINK, reader.Number(&IAccessible::get_accRole));
    EXPECT_EQ(L"https://www.brindle.example/vexa/", reader.Text(&IAccessible::get_accName));
    EXPECT_EQ(L"https://www.brindle.example/vexa/", reader.Text(&IAccessible::get_accValue));
    EXPECT_EQ(L"Jump", reader.Text(&IAccessible::get_accDefaultAction));
    const long states = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | STATE_SYSTEM_TRAVERSED;
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED,
              reader.Number(&IAccessible::get_accState) & states);

    RECT rect;
    ::GetWindowRect(link, &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    const std::string page = WebBrowserOverride::CommandLineFor("https://www.brindle.example/vexa/");
    EXPECT_EQ(std::vector<std::string>{page}, browser.CommandLines(1));
    EXPECT_TRUE(WaitFor([&] { return (reader.Number(&IAccessible::get_accState) & states) == states; },
                        "the link to read as visited"));
    EXPECT_EQ(S_OK, reader.object->accDoDefaultAction(reader.self));
    EXPECT_EQ((std::vector<std::string>{page, page}), browser.CommandLines(1));
}

} // namespace
