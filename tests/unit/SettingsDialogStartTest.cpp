// The settings dialog as the program creates it at start: hidden, with its tray icon, and
// routing the tray's commands.
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"
#include "support/ShellRecorder.h"

#include "res/resource.h"
#include "tray/SystemTray.h"

namespace {

LRESULT TrayNotify(CSettingsDlg* dlg, UINT event)
{
    return ::SendMessageA(dlg->m_pTray->m_hWnd, dlg->m_trayMessage, IDR_TRAYMENU, event);
}

TEST_F(SettingsDialogTest, StartsHiddenWithItsTrayIconAndSystemMenuEntry)
{
    HWND window = dlg->m_hWnd;
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(window, ::FindWindowA("#32770", "Vexa Settings"));

    HMENU systemMenu = ::GetSystemMenu(window, FALSE);
    const int count = ::GetMenuItemCount(systemMenu);
    ASSERT_GE(count, 2);
    EXPECT_NE(0u, ::GetMenuState(systemMenu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ("&About Vexa...", MenuItemText(systemMenu, count - 1));
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), ::GetMenuItemID(systemMenu, count - 1));

    const LRESULT big = ::SendMessageA(window, WM_GETICON, ICON_BIG, 0);
    EXPECT_NE(0, big);
    EXPECT_EQ(big, ::SendMessageA(window, WM_QUERYDRAGICON, 0, 0));

    CSystemTray* tray = dlg->m_pTray.get();
    ASSERT_NE(nullptr, tray);
    EXPECT_EQ(::RegisterWindowMessageA("Brindle Corporation's Vexa Tray Notification Message"),
              tray->m_notifyData.uCallbackMessage);
    EXPECT_STREQ("Vexa (right-click to use)", tray->m_notifyData.szTip);
    EXPECT_EQ(tray->m_hWnd, tray->m_notifyData.hWnd);
    EXPECT_TRUE(TrayHasIcon(tray->m_hWnd, IDR_TRAYMENU));

    CloseNextMenuOnOpen();
    EXPECT_EQ(1, TrayNotify(dlg, WM_RBUTTONUP));
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_SETTINGS),
              ::GetMenuDefaultItem(tray->m_contextMenu.GetSubMenu(0), FALSE, 0));
}

TEST_F(SettingsDialogTest, SettingsCommandAndDoubleClickShowTheWindowAndClosingHidesIt)
{
    HWND window = dlg->m_hWnd;
    ::SendMessageA(window, WM_COMMAND, ID_TRAY_SETTINGS, 0);
    EXPECT_TRUE(::IsWindowVisible(window));
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(window));

    EXPECT_EQ(1, TrayNotify(dlg, WM_LBUTTONDBLCLK));
    EXPECT_TRUE(::IsWindowVisible(window));
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(::IsWindowVisible(window));

    // Notification 1 is an accelerator only without a control: a control's own notification
    // of that code (a static's double click) runs no command of the same identifier.
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_TRAY_SETTINGS, STN_DBLCLK),
                   reinterpret_cast<LPARAM>(dlg->GetDlgItem(IDC_HOMEPAGE)));
    EXPECT_FALSE(::IsWindowVisible(window));
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_TRAY_SETTINGS, 1), 0);
    EXPECT_TRUE(::IsWindowVisible(window));
    ::SendMessageA(window, WM_CLOSE, 0, 0);

    // Escape reaches the dialog through the dialog manager as the cancel command.
    ::SendMessageA(window, WM_COMMAND, ID_TRAY_SETTINGS, 0);
    MSG escape = {::GetDlgItem(window, IDC_AUTOSTART), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
    EXPECT_TRUE(dlg->PreTranslateMessage(&escape));
    EXPECT_FALSE(::IsWindowVisible(window));

    // Hidden again, yet still alive and still in the notification area.
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(TrayHasIcon(dlg->m_pTray->m_hWnd, IDR_TRAYMENU));
}

TEST_F(SettingsDialogTest, ExitRemovesTheIconDestroysTheWindowAndEndsTheMessageLoop)
{
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, ID_TRAY_SETTINGS, 0); // shown: exit works all the same
    HWND window = dlg->m_hWnd;
    HWND trayWindow = dlg->m_pTray->m_hWnd;

    ::SendMessageA(window, WM_COMMAND, ID_TRAY_EXIT, 0);
    dlg = nullptr; // deleted itself

    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(::IsWindow(trayWindow));
    EXPECT_FALSE(TrayHasIcon(trayWindow, IDR_TRAYMENU));
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(window));
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(SettingsDialogTest, UnknownCommandsAndHelpAreHarmless)
{
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, ID_HELP, 0);
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDM_ABOUTBOX, 0);
    ::SendMessageA(dlg->m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_TRUE(::IsWindow(dlg->m_hWnd));
    EXPECT_FALSE(::IsWindowVisible(dlg->m_hWnd));
}

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Every window of this thread, top-level or owned.
int ThreadWindows()
{
    int count = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(SettingsDialogTest, RepeatedOpeningsLeaveNothingBehind)
{
    HMENU popup = dlg->m_pTray->m_contextMenu.GetSubMenu(0);
    const int items = ::GetMenuItemCount(popup);
    CloseNextMenuOnOpen();
    TrayNotify(dlg, WM_RBUTTONUP);
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, ID_TRAY_SETTINGS, 0);
    ::SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    PumpMessages();
    const int windows = ThreadWindows();

    for (int i = 0; i < 5; ++i) {
        CloseNextMenuOnOpen();
        TrayNotify(dlg, WM_RBUTTONUP);
        ::SendMessageA(dlg->m_hWnd, WM_COMMAND, ID_TRAY_SETTINGS, 0);
        ::SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
        PumpMessages();
    }
    EXPECT_EQ(windows, ThreadWindows());
    EXPECT_EQ(items, ::GetMenuItemCount(popup));

    // A whole program run leaves no window of its own behind either.
    HMENU menu = dlg->m_pTray->m_contextMenu.GetSafeHmenu();
    DestroyDialog();
    const int afterExit = ThreadWindows();
    EXPECT_FALSE(::IsMenu(menu));
    StartDialog();
    DestroyDialog();
    EXPECT_EQ(afterExit, ThreadWindows());
}

const char kPersonalize[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// The icons the shell was handed since the recorder started.
std::vector<IconPicture> HandedIcons(const ShellRecorder& shell)
{
    std::vector<IconPicture> icons;
    for (const ShellRequest& request : shell.Modifications(NIF_ICON))
        icons.push_back(PictureOf(request.icon));
    return icons;
}

TEST_F(SettingsDialogTest, TheTrayIconFollowsTheTaskbarsThemeAndTheScale)
{
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    struct ThemeValues { // the prefix's theme as it was, whatever happens
        ~ThemeValues()
        {
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "SystemUsesLightTheme");
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme");
        }
    } themeValues;
    ShellRecorder shell;
    auto changed = [&](const char* area, WPARAM action = 0) {
        ::SendMessageA(dlg->m_hWnd, WM_SETTINGCHANGE, action, reinterpret_cast<LPARAM>(area));
    };
    // A light taskbar; Windows says so more than once.
    WriteRegistryDword(kPersonalize, "SystemUsesLightTheme", 1);
    changed("ImmersiveColorSet");
    changed("ImmersiveColorSet");
    WriteRegistryDword(kPersonalize, "AppsUseLightTheme", 0);
    changed("ImmersiveColorSet");
    std::vector<IconPicture> handed = HandedIcons(shell);
    ASSERT_EQ(1u, handed.size()) << "only a change of the taskbar's brightness counts";
    EXPECT_EQ(ResourcePicture(IDI_TRAY_LIGHT, small).pixels, handed[0].pixels);

    // Dark again, as when the value is gone.
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "SystemUsesLightTheme");
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme");
    changed("ImmersiveColorSet");
    handed = HandedIcons(shell);
    ASSERT_EQ(2u, handed.size());
    EXPECT_EQ(ResourcePicture(IDI_TRAY, small).pixels, handed[1].pixels);

    // Twice the scale: the icons are loaded again, at twice the size.
    RECT window;
    ::GetWindowRect(dlg->m_hWnd, &window);
    ::SendMessageA(dlg->m_hWnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&window));
    handed = HandedIcons(shell);
    ASSERT_EQ(3u, handed.size());
    EXPECT_EQ(2 * small, handed[2].size.cx);
    const HICON big = reinterpret_cast<HICON>(::SendMessageA(dlg->m_hWnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(2 * ::GetSystemMetrics(SM_CXICON), PictureOf(big).size.cx);
    // The icon metrics changed: back to the window's own scale.
    changed(nullptr, SPI_SETICONMETRICS);
    handed = HandedIcons(shell);
    ASSERT_EQ(4u, handed.size());
    EXPECT_EQ(small, handed[3].size.cx);

    // A shell that restarts gets the picture for the theme it finds, announced or not.
    WriteRegistryDword(kPersonalize, "SystemUsesLightTheme", 1);
    ::SendMessageA(dlg->m_hWnd, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    handed = HandedIcons(shell);
    ASSERT_EQ(5u, handed.size());
    EXPECT_EQ(ResourcePicture(IDI_TRAY_LIGHT, small).pixels, handed[4].pixels);
}

TEST_F(SettingsDialogTest, EnterOnTheIconChosenByKeyboardShowsTheSettings)
{
    // The shell's version-4 form: the event and the icon in lparam.
    ::SendMessageA(dlg->m_pTray->m_hWnd, dlg->m_trayMessage, 0, MAKELPARAM(NIN_KEYSELECT, IDR_TRAYMENU));
    EXPECT_TRUE(::IsWindowVisible(dlg->m_hWnd));
}

} // namespace
