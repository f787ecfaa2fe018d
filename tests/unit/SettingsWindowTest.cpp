// The settings window: its template as the dialog manager built it, and what its commands
// store and open.
#include "support/BrowserRecorder.h"
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"

#include "framework/WinApp.h"
#include "res/resource.h"

#include <functional>
#include <vector>

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct ControlLayout {
    int id;
    const char* className;
    const char* text;
    DWORD style; // the control's kind and the flags that matter to the user
    RECT units;  // x, y, width, height in dialog units
};

const DWORD kStyleMask = 0xFFFF | WS_TABSTOP | WS_GROUP;

const ControlLayout kControls[] = {
    {1001, "Button", "Automatically start Vexa when Windows starts", BS_AUTOCHECKBOX | WS_TABSTOP, {19, 25, 155, 10}},
    {-1, "Button", " About Vexa ", BS_GROUPBOX, {7, 125, 178, 60}},
    {-1, "Static", nullptr, SS_ICON, {16, 143, 20, 20}},
    {-1, "Static", "Vexa version 1.0", SS_LEFT | SS_NOPREFIX | WS_GROUP, {49, 137, 102, 8}},
    {-1, "Static", "Copyright (C) 2026 Brindle Corporation", SS_LEFT | WS_GROUP, {49, 149, 100, 8}},
    {-1, "Static", "All rights are all right.", SS_LEFT | SS_NOPREFIX | WS_GROUP, {49, 159, 95, 8}},
    {-1, "Button", " Program Settings ", BS_GROUPBOX, {7, 7, 178, 36}},
    {1002, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, {135, 192, 50, 14}},
    {1003, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {81, 192, 50, 14}},
    {1006, "Static", "https://www.brindle.example/vexa/", SS_LEFT | SS_NOPREFIX | WS_GROUP, {49, 171, 84, 8}},
    {-1, "Button", " Donate ", BS_GROUPBOX, {7, 49, 178, 69}},
    {-1, "Static",
     "Vexa is a freeware, but if you like it, please consider a small donation to the developer. "
     "$3 or $5 or $10, whatever you think this program is worth for you.",
     SS_LEFT | WS_GROUP, {19, 62, 160, 28}},
    {1004, "Button", "Donate via PayPal", BS_PUSHBUTTON | WS_TABSTOP, {46, 95, 100, 14}},
};

std::string RunValue()
{
    return RegistryText(kRunKey, "Vexa");
}

std::string ProgramValue(const char* name)
{
    return RegistryText(kProgramKey, name);
}

class SettingsWindowTest : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "Vexa");
        SettingsDialogTest::SetUp();
    }
    void TearDown() override
    {
        SettingsDialogTest::TearDown();
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "Vexa");
    }

    HWND Window() const { return dlg->m_hWnd; }
    void Command(WPARAM command) { ::SendMessageA(Window(), WM_COMMAND, command, 0); }
    void Click(int id) { ::SendMessageA(::GetDlgItem(Window(), id), BM_CLICK, 0, 0); }
    bool Ticked() const { return ::IsDlgButtonChecked(Window(), IDC_AUTOSTART) == BST_CHECKED; }
};

TEST_F(SettingsWindowTest, TemplateBuildsEveryControlInTabOrder)
{
    HWND window = Window();
    EXPECT_EQ("Vexa Settings", WindowText(window));
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_MINIMIZEBOX |
                       WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_NE(0, ::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    RECT client;
    ::GetClientRect(window, &client);
    RECT size = {0, 0, 192, 213};
    ::MapDialogRect(window, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);

    HWND control = ::GetWindow(window, GW_CHILD);
    for (const ControlLayout& layout : kControls) {
        SCOPED_TRACE(layout.text != nullptr ? layout.text : "icon");
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(layout.id, ::GetDlgCtrlID(control) == 0xFFFF ? -1 : ::GetDlgCtrlID(control));
        EXPECT_EQ(layout.className, ClassName(control));
        if (layout.text != nullptr) {
            EXPECT_EQ(layout.text, WindowText(control));
        }
        EXPECT_EQ(layout.style, static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE)) & kStyleMask);
        EXPECT_TRUE(::IsWindowVisible(control) || !::IsWindowVisible(window));

        // Where the template put it; the icon sizes itself, and the link fits itself to its text.
        // The dialog manager converts position and size separately, each rounded on its own.
        RECT mapped = layout.units;
        ::MapDialogRect(window, &mapped);
        const RECT expected = {mapped.left, mapped.top, mapped.left + mapped.right,
                               mapped.top + mapped.bottom};
        RECT actual;
        ::GetWindowRect(control, &actual);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(expected.left, actual.left);
        EXPECT_EQ(expected.top, actual.top);
        if (layout.style != SS_ICON && layout.id != IDC_HOMEPAGE) {
            EXPECT_EQ(expected.right, actual.right);
            EXPECT_EQ(expected.bottom, actual.bottom);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, control);

    // Enter presses OK.
    EXPECT_EQ(MAKELRESULT(IDC_OK, DC_HASDEFID), ::SendMessageA(window, DM_GETDEFID, 0, 0));
}

TEST_F(SettingsWindowTest, BoxShowsTheStoredOptionEachTimeTheWindowOpens)
{
    EXPECT_FALSE(Ticked()); // fresh account

    WriteRegistryDword(kProgramKey, "StartOnBoot", 1);
    Command(ID_TRAY_SETTINGS);
    EXPECT_TRUE(::IsWindowVisible(Window()));
    EXPECT_TRUE(Ticked());

    // A program started with the option stored shows it from the start.
    DestroyDialog();
    StartDialog();
    EXPECT_TRUE(Ticked());
}

TEST_F(SettingsWindowTest, OkStoresBothOptionsAndRegistersTheQuotedRunningExecutable)
{
    WriteRegistryDword(kProgramKey, "LockOnStart", 1);
    Command(ID_TRAY_SETTINGS);
    Click(IDC_AUTOSTART);
    Click(IDC_OK);

    EXPECT_FALSE(::IsWindowVisible(Window()));
    EXPECT_EQ("1", ProgramValue("StartOnBoot"));
    EXPECT_EQ("0", ProgramValue("LockOnStart")); // no control carries it
    EXPECT_EQ("\"" + Utf8(AfxGetModuleFileName().c_str()) + "\"", RunValue());

    Command(ID_TRAY_SETTINGS);
    EXPECT_TRUE(Ticked());
    Click(IDC_AUTOSTART);
    Click(IDC_OK);
    EXPECT_EQ("0", ProgramValue("StartOnBoot"));
    EXPECT_EQ("<none>", RunValue());

    // OK rewrites everything even when nothing changed, and a missing entry is no error.
    Command(ID_TRAY_SETTINGS);
    Click(IDC_OK);
    EXPECT_EQ("0", ProgramValue("StartOnBoot"));
    EXPECT_EQ("<none>", RunValue());
}

TEST_F(SettingsWindowTest, CancelEscapeAndClosingHideWithoutStoringAnything)
{
    auto escape = [this] {
        MSG key = {::GetDlgItem(Window(), IDC_AUTOSTART), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
        dlg->PreTranslateMessage(&key);
    };
    auto cancel = [this] { Click(IDC_CANCEL); };
    auto close = [this] { ::SendMessageA(Window(), WM_CLOSE, 0, 0); };
    for (const auto& hide : {std::function<void()>(cancel), std::function<void()>(escape),
                             std::function<void()>(close)}) {
        Command(ID_TRAY_SETTINGS);
        ASSERT_TRUE(::IsWindowVisible(Window()));
        Click(IDC_AUTOSTART);
        ASSERT_TRUE(Ticked());
        hide();
        EXPECT_FALSE(::IsWindowVisible(Window()));
        EXPECT_EQ("<none>", ProgramValue("StartOnBoot"));
        EXPECT_EQ("<none>", RunValue());

        // The change was not confirmed: the next opening shows the stored option again.
        Command(ID_TRAY_SETTINGS);
        EXPECT_FALSE(Ticked());
        close();
    }
}

TEST_F(SettingsWindowTest, BothDonationCommandsOpenTheDonationPage)
{
    WebBrowserOverride webBrowser; // web addresses open in the recorder
    BrowserRecorder browser;

    Command(ID_TRAY_DONATE);
    Command(ID_TRAY_SETTINGS);
    Click(IDC_DONATE);

    const std::string expected = BrowserRecorder::Program() +
                                 " \"https://www.paypal.com/xclick/business=donate@brindle.example"
                                 "&no_shipping=1&item_name=Vexa+Donation\"";
    EXPECT_EQ((std::vector<std::string>{expected, expected}), browser.CommandLines(2));
}

} // namespace
