// The tray icon against Wine's real notification area and real menus. A stand-in main window
// records the commands the icon sends it.
#include "support/HighContrast.h"
#include "support/RegistryValues.h"
#include "support/ScopedOverride.h"
#include "support/ShellRecorder.h"
#include "support/TestSupport.h"
#include "support/TrayMenuItems.h"

#include "app/LockerApp.h"
#include "framework/DisplayScale.h"
#include "framework/SystemFunction.h"
#include "framework/WndClass.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

const UINT kCallback = WM_APP + 7;
const char kTip[] = "Vexa (right-click to use)";

class CommandSink : public CWnd {
public:
    CommandSink()
    {
        CreateEx(0, AfxRegisterWndClass(0).c_str(), "sink", WS_POPUP, 0, 0, 10, 10, nullptr,
                 nullptr);
    }
    std::vector<std::pair<WPARAM, LPARAM>> commands;

protected:
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override
    {
        commands.emplace_back(wparam, lparam);
        return TRUE;
    }
};

class SystemTrayTest : public ::testing::Test {
protected:
    void SetUp() override { theApp.m_pMainWnd = &sink; }
    void TearDown() override
    {
        tray.reset();
        theApp.m_pMainWnd = nullptr;
        PumpMessages();
    }

    BOOL Install() { return tray->Install(nullptr, kCallback, kTip, icon, IDR_TRAYMENU); }

    LRESULT Notify(UINT event, WPARAM id = IDR_TRAYMENU)
    {
        return ::SendMessageA(tray->m_hWnd, kCallback, id, event);
    }

    // A notification in the form of version 4: the event and the icon in lparam, the point
    // in wparam.
    LRESULT Notify4(UINT event, POINT at = {0, 0})
    {
        return ::SendMessageA(tray->m_hWnd, kCallback, MAKEWPARAM(at.x, at.y),
                              MAKELPARAM(event, IDR_TRAYMENU));
    }

    // A right click, with the menu closed by the test as soon as it is on screen.
    LRESULT RightClick()
    {
        CloseNextMenuOnOpen();
        return Notify(WM_RBUTTONUP);
    }

    HMENU Popup() { return tray->m_contextMenu.GetSubMenu(0); }

    CommandSink sink;
    ShellRecorder shell;
    HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY));
    std::unique_ptr<CSystemTray> tray = std::make_unique<CSystemTray>();
};

TEST_F(SystemTrayTest, InstallAddsTheIconWithItsHiddenWindowAndDestructionRemovesIt)
{
    EXPECT_EQ(nullptr, tray->m_hWnd);
    ASSERT_TRUE(Install());

    HWND window = tray->m_hWnd;
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(WS_POPUP, ::GetWindowLongA(window, GWL_STYLE) & (WS_POPUP | WS_CHILD | WS_VISIBLE));
    RECT rect;
    ::GetWindowRect(window, &rect);
    EXPECT_EQ(10, rect.right - rect.left);
    EXPECT_EQ(10, rect.bottom - rect.top);

    ASSERT_EQ(2u, shell.requests.size());
    const ShellRequest& add = shell.requests[0];
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), add.message);
    EXPECT_EQ(NOTIFYICONDATAW_V2_SIZE, add.cbSize);
    EXPECT_EQ(window, add.window);
    EXPECT_EQ(static_cast<UINT>(IDR_TRAYMENU), add.id);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP), add.flags);
    EXPECT_EQ(kCallback, add.callbackMessage);
    EXPECT_EQ(icon, add.icon);
    EXPECT_EQ(kTip, add.tip);
    EXPECT_TRUE(TrayHasIcon(window, IDR_TRAYMENU));
    EXPECT_EQ(static_cast<DWORD>(NIM_SETVERSION), shell.requests[1].message);
    EXPECT_EQ(static_cast<UINT>(NOTIFYICON_VERSION_4), shell.requests[1].version);

    tray.reset();
    ASSERT_EQ(3u, shell.requests.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), shell.requests[2].message);
    EXPECT_EQ(0u, shell.requests[2].flags);
    EXPECT_EQ(window, shell.requests[2].window);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(TrayHasIcon(window, IDR_TRAYMENU));
}

TEST_F(SystemTrayTest, TipIsKeptWholeUpTo127CharactersAndCutBeyond)
{
    const std::string longest(127, 'x');
    tray->Install(nullptr, kCallback, longest.c_str(), icon, IDR_TRAYMENU);
    // The recorder reads the whole field: its last character must be the terminating zero.
    EXPECT_EQ(longest, shell.requests.at(0).tip);

    CSystemTray other;
    const std::string tooLong(300, 'y');
    other.Install(nullptr, kCallback, tooLong.c_str(), icon, IDR_TRAYMENU + 0);
    EXPECT_EQ(std::string(127, 'y'), shell.requests.at(2).tip);
}

TEST_F(SystemTrayTest, RightClickShowsEntryTextsOverTheDriveItemsAndTheDefaultItem)
{
    Install();
    ASSERT_TRUE(tray->SetDefaultItem(ID_TRAY_SETTINGS, FALSE));
    HMENU popup = Popup();
    ASSERT_NE(nullptr, popup);
    ::InsertMenuA(popup, 0, MF_BYPOSITION, ID_DRIVE_FIRST, "D:\\");
    ::InsertMenuA(popup, 1, MF_BYPOSITION, ID_DRIVE_FIRST + 1, "E:\\");
    ::InsertMenuA(popup, 2, MF_BYPOSITION, ID_DRIVE_FIRST + 2, "F:\\");
    tray->AddEntryText("Lock drive D:");
    tray->AddEntryText(""); // an empty entry leaves its item alone
    tray->AddEntryText("Unlock drive F:");
    ::CheckMenuItem(popup, 0, MF_BYPOSITION | MF_CHECKED);

    EXPECT_EQ(1, RightClick());

    EXPECT_EQ(DriveItems({"Lock drive D:", "E:\\", "Unlock drive F:"}) + CommandItems(),
              ItemsOf(popup));
    // A re-texted item is a plain text item again.
    EXPECT_EQ(0u, ::GetMenuState(popup, 0, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_SETTINGS), ::GetMenuDefaultItem(popup, FALSE, 0));

    // A changed entry shows at the next opening, not before.
    tray->SetEntryText(0, "Unlock drive D:");
    EXPECT_EQ("Lock drive D:", MenuItemText(popup, 0));
    RightClick();
    EXPECT_EQ("Unlock drive D:", MenuItemText(popup, 0));
}

TEST_F(SystemTrayTest, MenuWithoutEntryTextsOpensAsLoadedWithTheStoredDefault)
{
    // Before Install there is no menu: the default is kept for later.
    EXPECT_FALSE(tray->SetDefaultItem(4, TRUE));
    Install();
    EXPECT_EQ(1, RightClick());
    HMENU popup = Popup();
    EXPECT_EQ(CommandItems(), ItemsOf(popup));
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_SETTINGS), ::GetMenuDefaultItem(popup, FALSE, 0));
}

TEST_F(SystemTrayTest, FreshObjectMarksPositionZeroAsDefaultAtTheFirstOpening)
{
    Install();
    ::InsertMenuA(Popup(), 0, MF_BYPOSITION, ID_DRIVE_FIRST, "D:\\");
    EXPECT_TRUE(tray->SetDefaultItem(0, TRUE)); // unchanged: the menu is not touched
    EXPECT_EQ(static_cast<UINT>(-1), ::GetMenuDefaultItem(Popup(), TRUE, 0));
    RightClick();
    EXPECT_EQ(0u, ::GetMenuDefaultItem(Popup(), TRUE, 0));
}

TEST_F(SystemTrayTest, DoubleClickSendsTheDefaultCommandToTheMainWindow)
{
    Install();
    tray->SetDefaultItem(ID_TRAY_SETTINGS, FALSE);
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    ASSERT_EQ(1u, sink.commands.size());
    EXPECT_EQ(static_cast<WPARAM>(ID_TRAY_SETTINGS), sink.commands[0].first);
    EXPECT_EQ(0, sink.commands[0].second);

    // By position: the command of the item at that position.
    tray->SetDefaultItem(6, TRUE);
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    ASSERT_EQ(2u, sink.commands.size());
    EXPECT_EQ(static_cast<WPARAM>(ID_TRAY_EXIT), sink.commands[1].first);
}

TEST_F(SystemTrayTest, OtherEventsAndOtherIconsAreIgnored)
{
    Install();
    tray->AddEntryText("Lock drive D:");
    for (UINT event : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN}) {
        SCOPED_TRACE(event);
        EXPECT_EQ(1, Notify(event));
    }
    EXPECT_EQ(0, Notify(WM_RBUTTONUP, IDR_TRAYMENU + 1));
    EXPECT_EQ(0, Notify(WM_LBUTTONDBLCLK, IDR_TRAYMENU + 1));
    EXPECT_TRUE(sink.commands.empty());
    // The menu was never opened: its first item still has the template's text.
    EXPECT_EQ("", MenuItemText(Popup(), 0));

    // The shell's word on its balloons, in either form, is all that is kept of them.
    EXPECT_FALSE(tray->IsBalloonShown());
    EXPECT_EQ(1, Notify(NIN_BALLOONSHOW));
    EXPECT_TRUE(tray->IsBalloonShown());
    EXPECT_EQ(1, Notify4(NIN_BALLOONTIMEOUT));
    EXPECT_FALSE(tray->IsBalloonShown());
    EXPECT_TRUE(sink.commands.empty());
}

TEST_F(SystemTrayTest, Version4OpensTheMenuOnceAtTheShellsPointAndTheKeyboardRunsTheDefault)
{
    Install();
    tray->SetDefaultItem(ID_TRAY_SETTINGS, FALSE);
    // A right click comes as down, up and the context menu: the menu opens once, at the
    // point the shell gives (the icon's corner when the keyboard asked).
    const POINT at = {200, 150};
    EXPECT_EQ(1, Notify4(WM_RBUTTONDOWN, at));
    EXPECT_EQ(1, Notify4(WM_RBUTTONUP, at)); // a menu opened here would fail the test
    int opened = 0;
    RECT shown = {};
    CloseNextMenuOnOpen([&] {
        ++opened;
        ::GetWindowRect(::FindWindowA("#32768", nullptr), &shown);
    });
    shell.requests.clear();
    EXPECT_EQ(1, Notify4(WM_CONTEXTMENU, at));
    EXPECT_EQ(1, opened);
    EXPECT_EQ(at.x, shown.left);
    EXPECT_EQ(at.y, shown.top);
    ASSERT_EQ(1u, shell.requests.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_SETFOCUS), shell.requests[0].message)
        << "the keyboard goes on from the icon";

    EXPECT_EQ(1, Notify4(NIN_SELECT));
    EXPECT_TRUE(sink.commands.empty()) << "a single click does nothing";
    EXPECT_EQ(1, Notify4(NIN_KEYSELECT));
    EXPECT_EQ(1, Notify4(WM_LBUTTONDBLCLK));
    EXPECT_EQ(2u, sink.commands.size());
    for (const auto& command : sink.commands)
        EXPECT_EQ(static_cast<WPARAM>(ID_TRAY_SETTINGS), command.first);
    EXPECT_EQ(0, ::SendMessageA(tray->m_hWnd, kCallback, 0, MAKELPARAM(WM_CONTEXTMENU, 999)))
        << "another icon's";
}

// A taskbar that knows only the older callbacks (ReactOS's) refuses version 4. The keyboard
// then comes as the mouse: the menu key, Shift+F10, Enter and Space on the icon as a right
// click, down and up.
TEST_F(SystemTrayTest, ShellThatRefusesVersion4KeepsVersion0)
{
    shell.refuseMessage = NIM_SETVERSION;
    EXPECT_TRUE(Install());
    EXPECT_TRUE(TrayHasIcon(tray->m_hWnd, IDR_TRAYMENU));
    tray->SetDefaultItem(ID_TRAY_SETTINGS, FALSE);
    shell.requests.clear();
    EXPECT_EQ(1, Notify(WM_RBUTTONDOWN));
    int opened = 0;
    CloseNextMenuOnOpen([&] { ++opened; });
    EXPECT_EQ(1, Notify(WM_RBUTTONUP));
    EXPECT_EQ(1, opened);
    EXPECT_TRUE(shell.requests.empty()) << "no focus request for a shell of version 0";
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    ASSERT_EQ(1u, sink.commands.size());
    EXPECT_EQ(static_cast<WPARAM>(ID_TRAY_SETTINGS), sink.commands[0].first);
}

TEST_F(SystemTrayTest, SetEntryTextOutsideTheListRaisesInvalidArgument)
{
    tray->AddEntryText("Lock drive D:");
    tray->AddEntryText("Lock drive E:");
    EXPECT_THROW(tray->SetEntryText(2, "x"), CInvalidArgException);
    EXPECT_THROW(tray->SetEntryText(-1, "x"), CInvalidArgException);
    tray->SetEntryText(1, "Unlock drive E:");

    // The menu shows both entries as they were left.
    Install();
    ::InsertMenuA(Popup(), 0, MF_BYPOSITION, ID_DRIVE_FIRST, "D:\\");
    ::InsertMenuA(Popup(), 1, MF_BYPOSITION, ID_DRIVE_FIRST + 1, "E:\\");
    RightClick();
    EXPECT_EQ(DriveItems({"Lock drive D:", "Unlock drive E:"}) + CommandItems(), ItemsOf(Popup()));
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

TEST_F(SystemTrayTest, VexasPictureFollowsTheTaskbarsThemeAndTheScale)
{
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    struct ThemeValues { // the prefix's theme as it was, whatever happens
        ~ThemeValues()
        {
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "SystemUsesLightTheme");
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme");
        }
    } themeValues;
    tray->Install(nullptr, kCallback, kTip, nullptr, IDR_TRAYMENU);
    ASSERT_TRUE(TrayHasIcon(tray->m_hWnd, IDR_TRAYMENU));
    EXPECT_EQ(ResourcePicture(IDI_TRAY, small).pixels, PictureOf(shell.requests.at(0).icon).pixels)
        << "without the value, the taskbar is dark";
    shell.requests.clear();

    // The picture the shell was handed last, which must be the count-th handed since here.
    const auto handedLast = [&](std::size_t count) {
        const std::vector<IconPicture> handed = HandedIcons(shell);
        EXPECT_EQ(count, handed.size());
        return handed.empty() ? IconPicture{{0, 0}, {}} : handed.back();
    };

    // A light taskbar; Windows says so more than once. Only a change of its brightness counts.
    WriteRegistryDword(kPersonalize, "SystemUsesLightTheme", 1);
    tray->OnSettingChange(L"ImmersiveColorSet");
    tray->OnSettingChange(L"ImmersiveColorSet");
    WriteRegistryDword(kPersonalize, "AppsUseLightTheme", 0);
    tray->OnSettingChange(L"ImmersiveColorSet");
    EXPECT_EQ(ResourcePicture(IDI_TRAY_LIGHT, small).pixels, handedLast(1).pixels);

    // Dark again, as when the value is gone.
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "SystemUsesLightTheme");
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme");
    tray->OnSettingChange(L"ImmersiveColorSet");
    EXPECT_EQ(ResourcePicture(IDI_TRAY, small).pixels, handedLast(2).pixels);

    // Twice the scale: the picture is loaded again, at twice the size, and back.
    tray->OnScaleChange(192);
    EXPECT_EQ(2 * small, handedLast(3).size.cx);
    tray->OnScaleChange(96);
    EXPECT_EQ(small, handedLast(4).size.cx);

    // A shell that restarts gets the picture for the theme it finds, announced or not.
    WriteRegistryDword(kPersonalize, "SystemUsesLightTheme", 1);
    ::SendMessageA(tray->m_hWnd, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(ResourcePicture(IDI_TRAY_LIGHT, small).pixels, handedLast(5).pixels);

    // High contrast: the taskbar takes the contrast theme's background, whatever the theme
    // chosen before. The light outline stands out on a black one, the dark on a white one.
    {
        HighContrastOverride contrast(true);
        ScopedSysColor black(COLOR_WINDOW, RGB(0, 0, 0));
        tray->OnContrastChange();
        EXPECT_EQ(ResourcePicture(IDI_TRAY, small).pixels, handedLast(6).pixels);
        ScopedSysColor white(COLOR_WINDOW, RGB(255, 255, 255));
        tray->OnContrastChange();
        EXPECT_EQ(ResourcePicture(IDI_TRAY_LIGHT, small).pixels, handedLast(7).pixels);
    }

    // A caller's own icon stays as it is.
    tray = std::make_unique<CSystemTray>();
    Install();
    shell.requests.clear();
    tray->OnSettingChange(L"ImmersiveColorSet");
    tray->OnScaleChange(192);
    tray->OnContrastChange();
    EXPECT_TRUE(shell.Modifications(NIF_ICON).empty());
}

// Windows before 10 (1607) lacks the functions that tell a window's scale and the sizes at a
// scale: there every window has the system's scale, and Vexa's picture the system's size.
const char* const kScaleFunctions[] = {"GetDpiForWindow", "GetSystemMetricsForDpi"};

FARPROC WINAPI FindExceptScaleFunctions(HMODULE module, LPCSTR name)
{
    for (const char* missing : kScaleFunctions) {
        if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0 && std::strcmp(missing, name) == 0)
            return nullptr;
    }
    return ::GetProcAddress(module, name);
}

TEST_F(SystemTrayTest, WithoutTheScaleFunctionsThePictureHasTheSystemsSize)
{
    ScopedOverride<decltype(g_findSystemFunction)> older(g_findSystemFunction,
                                                         FindExceptScaleFunctions);
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    tray->Install(nullptr, kCallback, kTip, nullptr, IDR_TRAYMENU);
    ASSERT_TRUE(TrayHasIcon(tray->m_hWnd, IDR_TRAYMENU));
    EXPECT_EQ(static_cast<UINT>(ScreenDpi()), AfxGetWindowDpi(tray->m_hWnd));
    EXPECT_EQ(small, PictureOf(shell.requests.at(0).icon).size.cx);
    tray->OnScaleChange(192);
    const std::vector<IconPicture> handed = HandedIcons(shell);
    ASSERT_EQ(1u, handed.size());
    EXPECT_EQ(small, handed[0].size.cx) << "not twice the size: that size is not known";
}

TEST_F(SystemTrayTest, OldPlatformGetsNoWindowNoMenuAndNoShellRequest)
{
    shell.version = 0x03; // major version 3
    EXPECT_FALSE(tray->SetDefaultItem(ID_TRAY_SETTINGS, FALSE));
    EXPECT_FALSE(tray->Install(nullptr, kCallback, kTip, icon, IDR_TRAYMENU));
    EXPECT_EQ(nullptr, tray->m_hWnd);
    EXPECT_EQ(nullptr, tray->m_contextMenu.GetSafeHmenu());
    tray.reset();
    EXPECT_TRUE(shell.requests.empty());
}

TEST_F(SystemTrayTest, MissingMenuStopsBeforeTheShellIsAsked)
{
    EXPECT_FALSE(tray->Install(nullptr, kCallback, kTip, icon, 999));
    EXPECT_NE(nullptr, tray->m_hWnd);
    EXPECT_FALSE(TrayHasIcon(tray->m_hWnd, 999));
    EXPECT_EQ(0, RightClick());
    EXPECT_EQ(0, Notify(WM_LBUTTONDBLCLK, 999)); // default by position, and no pop-up
    // Nothing to show, so a restarted shell gets nothing either.
    ::SendMessageA(tray->m_hWnd, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    tray.reset();
    EXPECT_TRUE(shell.requests.empty());
}

TEST_F(SystemTrayTest, RefusedIconIsAddedWhenTheShellAnnouncesItselfAndRemovedAtTheEnd)
{
    shell.refuseNext = 1;
    EXPECT_FALSE(tray->Install(nullptr, kCallback, kTip, icon, IDR_TRAYMENU));
    HWND window = tray->m_hWnd;
    EXPECT_FALSE(TrayHasIcon(window, IDR_TRAYMENU));

    ::SendMessageA(window, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(TrayHasIcon(window, IDR_TRAYMENU));
    ASSERT_EQ(3u, shell.requests.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), shell.requests[1].message);
    EXPECT_EQ(static_cast<DWORD>(NIM_SETVERSION), shell.requests[2].message)
        << "a new shell knows nothing of the version either";

    tray.reset();
    ASSERT_EQ(4u, shell.requests.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), shell.requests[3].message);
    EXPECT_FALSE(TrayHasIcon(window, IDR_TRAYMENU));
}

TEST_F(SystemTrayTest, ShellThatKeptTheIconStillHasItRemovedAtTheEnd)
{
    Install();
    HWND window = tray->m_hWnd;
    // The announcement comes although this shell still holds the icon: adding it again fails.
    shell.requests.clear();
    ::SendMessageA(window, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(TrayHasIcon(window, IDR_TRAYMENU));
    tray.reset();
    ASSERT_FALSE(shell.requests.empty());
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), shell.requests.back().message);
    EXPECT_FALSE(TrayHasIcon(window, IDR_TRAYMENU));
}

TEST_F(SystemTrayTest, RefusedIconIsNeverAskedToBeRemoved)
{
    shell.refuseNext = 1;
    Install();
    tray.reset();
    ASSERT_EQ(1u, shell.requests.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), shell.requests[0].message);
}

} // namespace
