// The settings window of the built Vexa.exe, opened and used from outside as a user would.
#include "VexaProcess.h"

#include "support/BrowserRecorder.h"
#include "support/RegistryValues.h"
#include "support/ScreenReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>


namespace {

using SettingsWindowE2E = FreshAccountTest;

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const UINT kTrayIconId = 129;

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

    const UINT trayMessage =
        ::RegisterWindowMessageA("Brindle Corporation's Vexa Tray Notification Message");
    ::SendMessageA(vexa.TrayWindow(), trayMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(::IsWindowVisible(settings));

    ::SendMessageA(settings, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(settings));
    EXPECT_TRUE(vexa.Running());
}

TEST_F(SettingsWindowE2E, ClickOnTheHomePageLinkOpensItInTheBrowser)
{
    WebBrowserOverride webBrowser; // web addresses open in the recorder
    BrowserRecorder browser;       // before Vexa starts: it inherits where the recorder logs

    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    HWND settings = vexa.SettingsWindow();
    vexa.Command(32772);
    ASSERT_TRUE(::IsWindowVisible(settings));

    // A real click of the pointer in the middle of the link.
    RECT link;
    ::GetWindowRect(::GetDlgItem(settings, 1006), &link);
    ClickAt((link.left + link.right) / 2, (link.top + link.bottom) / 2);

    EXPECT_EQ(std::vector<std::string>{WebBrowserOverride::CommandLineFor(
                  "https://www.brindle.example/vexa/")},
              browser.CommandLines(1));
}

TEST_F(SettingsWindowE2E, AScreenReaderHearsTheHomePageLinkAsALinkAndFollowsIt)
{
    WebBrowserOverride webBrowser;
    BrowserRecorder browser;
    VexaProcess vexa;
    ASSERT_TRUE(vexa.WaitForStart());
    HWND settings = vexa.SettingsWindow();
    vexa.Command(32772);

    // As a screen reader asks: through Active Accessibility, from this process.
    ScreenReader reader;
    ASSERT_NE(nullptr, reader.Find(::GetDlgItem(settings, 1006)));
    EXPECT_EQ(ROLE_SYSTEM_LINK, reader.Number(&IAccessible::get_accRole));
    EXPECT_EQ(L"https://www.brindle.example/vexa/", reader.Text(&IAccessible::get_accName));
    EXPECT_EQ(L"https://www.brindle.example/vexa/", reader.Text(&IAccessible::get_accValue));
    EXPECT_EQ(L"Jump", reader.Text(&IAccessible::get_accDefaultAction));
    const long states = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED | STATE_SYSTEM_TRAVERSED;
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED,
              reader.Number(&IAccessible::get_accState) & states);

    EXPECT_EQ(S_OK, reader.object->accDoDefaultAction(reader.self));
    EXPECT_EQ(std::vector<std::string>{WebBrowserOverride::CommandLineFor(
                  "https://www.brindle.example/vexa/")},
              browser.CommandLines(1));
    EXPECT_TRUE(WaitFor([&] { return (reader.Number(&IAccessible::get_accState) & states) == states; },
                        "the link to read as visited"));
}

} // namespace
