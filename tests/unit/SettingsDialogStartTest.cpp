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
    return ::SendMessageA(dlg->m_pTray->m_hWnd, TrayMessage(), IDR_TRAYMENU, event);
}

TEST_F(SettingsDialogTest, StartsHiddenWithItsTrayIconAndSystemMenuEntry)
{
    // A new start, with the requests to the shell recorded from the beginning.
    DestroyDialog();
    ShellRecorder shell;
    StartDialog();
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
    ASSERT_FALSE(shell.requests.empty());
    const ShellRequest& add = shell.requests.front();
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), add.message);
    EXPECT_EQ(TrayMessage(), add.callbackMessage);
    EXPECT_EQ("Vexa (right-click to use)", add.tip);
    EXPECT_EQ(tray->m_hWnd, add.window);
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
    int windows = 0; // after the first opening, which may create what later ones reuse
    for (int i = 0; i < 6; ++i) {
        CloseNextMenuOnOpen();
        TrayNotify(dlg, WM_RBUTTONUP);
        Command(ID_TRAY_SETTINGS);
        ::SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
        PumpMessages();
        if (i == 0)
            windows = ThreadWindows();
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

// The tray icon's picture is the tray's own (its tests are the tray's); the window hands it
// the notices it receives, and keeps its own icons at its scale.
TEST_F(SettingsDialogTest, TheWindowFollowsTheScaleAndHandsTheTrayItsNotices)
{
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    ShellRecorder shell;
    RECT window;
    ::GetWindowRect(dlg->m_hWnd, &window);
    ::SendMessageA(dlg->m_hWnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&window));
    const HICON big = reinterpret_cast<HICON>(::SendMessageA(dlg->m_hWnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(2 * ::GetSystemMetrics(SM_CXICON), PictureOf(big).size.cx);
    ASSERT_EQ(1u, shell.Modifications(NIF_ICON).size());
    EXPECT_EQ(2 * small, PictureOf(shell.Modifications(NIF_ICON)[0].icon).size.cx);

    // New icon metrics: back to the window's own scale.
    ::SendMessageA(dlg->m_hWnd, WM_SETTINGCHANGE, SPI_SETICONMETRICS, 0);
    const HICON back =
        reinterpret_cast<HICON>(::SendMessageA(dlg->m_hWnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(::GetSystemMetrics(SM_CXICON), PictureOf(back).size.cx);
    ASSERT_EQ(2u, shell.Modifications(NIF_ICON).size());
    EXPECT_EQ(small, PictureOf(shell.Modifications(NIF_ICON)[1].icon).size.cx);
}

TEST_F(SettingsDialogTest, EnterOnTheIconChosenByKeyboardShowsTheSettings)
{
    // The shell's version-4 form: the event and the icon in lparam.
    ::SendMessageA(dlg->m_pTray->m_hWnd, TrayMessage(), 0, MAKELPARAM(NIN_KEYSELECT, IDR_TRAYMENU));
    EXPECT_TRUE(::IsWindowVisible(dlg->m_hWnd));
}

} // namespace
