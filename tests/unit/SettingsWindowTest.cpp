// The settings window: its template as the dialog manager built it, and what its commands
// store and open.
#include "support/BrowserRecorder.h"
#include "support/DialogTemplate.h"
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"
#include "support/StringTable.h"

#include "framework/ResourceLanguage.h"
#include "framework/WinApp.h"
#include "res/resource.h"

#include <functional>
#include <vector>

namespace {

// The bits of a control's style that the user sees: its kind, and whether Tab stops at it.
const DWORD kStyleMask = 0xFFFF | WS_TABSTOP | WS_GROUP;

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
    void Click(int id) { PressButton(Window(), id); }
    bool Ticked() const { return ::IsDlgButtonChecked(Window(), IDC_AUTOSTART) == BST_CHECKED; }
};

// Started in another language, the tray menu shows that language's commands and drive entries,
// and the window its template's texts, read back as the user sees them (GetMenuStringW,
// GetWindowTextW); the window keeps the title other programs find it by. A right-to-left
// language's window is mirrored, with the link at its right, and its menu's items read from
// the right and stand there; a left-to-right one's are not.
TEST_F(SettingsWindowTest, TheMenuAndTheWindowSpeakTheChosenLanguage)
{
    const LANGID languages[] = {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN),
                                MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN),
                                MAKELANGID(LANG_HEBREW, SUBLANG_HEBREW_ISRAEL),
                                MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA)};
    for (const LANGID language : languages) {
        SCOPED_TRACE(language);
        DestroyDialog();
        AfxSetResourceLanguage(language);
        StartDialog();
        AfxSetResourceLanguage(kFallbackLanguage);
        std::map<UINT, std::string> strings = StringsOf(::GetModuleHandleA(nullptr), language);
        const MenuItems menu = ShownMenu();
        ASSERT_EQ(CommandItems().size() + 2, menu.size());
        EXPECT_EQ(Filled(strings[IDS_LOCK_DRIVE], {"D:"}), menu[0].text);
        EXPECT_EQ(Filled(strings[IDS_LOCK_DRIVE], {"E:"}), menu[1].text);
        EXPECT_NE(CommandItems()[1].text, menu[3].text); // "Lock All Drives"

        const bool rightToLeft = PRIMARYLANGID(language) != LANG_GERMAN &&
                                 PRIMARYLANGID(language) != LANG_JAPANESE;
        HMENU popup = dlg->m_pTray->m_contextMenu.GetSubMenu(0);
        for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
            MENUITEMINFOW item = {};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_FTYPE;
            ASSERT_TRUE(::GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &item));
            EXPECT_EQ(rightToLeft ? MFT_RIGHTORDER | MFT_RIGHTJUSTIFY : 0u,
                      item.fType & (MFT_RIGHTORDER | MFT_RIGHTJUSTIFY)) << "item " << i;
        }
        EXPECT_EQ(rightToLeft, (::GetWindowLongW(Window(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
        RECT window, link;
        ::GetWindowRect(Window(), &window);
        ::GetWindowRect(::GetDlgItem(Window(), IDC_HOMEPAGE), &link);
        EXPECT_EQ(rightToLeft, window.right - link.right < link.left - window.left);

        const DialogTemplate layout = LoadDialogTemplate(IDD_SETTINGS, language);
        EXPECT_EQ("Vexa Settings", WindowText(Window()));
        for (const DialogTemplateItem& item : layout.items) {
            if (item.id != -1 && !item.text.empty()) {
                EXPECT_EQ(item.text, WindowText(::GetDlgItem(Window(), item.id)));
            }
        }
    }
}

TEST_F(SettingsWindowTest, TheWindowIsItsTemplateWithTheControlsInTabOrder)
{
    const DialogTemplate layout = LoadDialogTemplate(IDD_SETTINGS);
    ASSERT_EQ(13u, layout.items.size()) << "the template could not be read";
    HWND window = Window();
    EXPECT_EQ(layout.caption, WindowText(window));
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_MINIMIZEBOX |
                        WS_MAXIMIZEBOX | WS_THICKFRAME;
    EXPECT_EQ(layout.style & frame, static_cast<DWORD>(::GetWindowLongA(window, GWL_STYLE)) & frame);
    EXPECT_EQ(layout.exStyle & WS_EX_APPWINDOW,
              static_cast<DWORD>(::GetWindowLongA(window, GWL_EXSTYLE)) & WS_EX_APPWINDOW);
    RECT client;
    ::GetClientRect(window, &client);
    RECT size = {0, 0, layout.units.right, layout.units.bottom};
    ::MapDialogRect(window, &size);
    EXPECT_EQ(size.right, client.right);
    EXPECT_EQ(size.bottom, client.bottom);

    // Each control of the template, in its order (the order Tab goes through them), where the
    // template put it; the icon sizes itself, and the link fits itself to its text. The
    // dialog manager converts position and size separately, each rounded on its own.
    HWND control = ::GetWindow(window, GW_CHILD);
    for (const DialogTemplateItem& item : layout.items) {
        SCOPED_TRACE(item.text.empty() ? item.className : item.text);
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(item.id, ::GetDlgCtrlID(control) == 0xFFFF ? -1 : ::GetDlgCtrlID(control));
        EXPECT_STRCASEEQ(item.className.c_str(), ClassName(control).c_str());
        if (!item.text.empty()) {
            EXPECT_EQ(item.text, WindowText(control));
        }
        EXPECT_EQ(item.style & kStyleMask,
                  static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE)) & kStyleMask);
        EXPECT_TRUE(::IsWindowVisible(control) || !::IsWindowVisible(window));

        RECT mapped = item.units;
        ::MapDialogRect(window, &mapped);
        RECT actual;
        ::GetWindowRect(control, &actual);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(mapped.left, actual.left);
        EXPECT_EQ(mapped.top, actual.top);
        if ((item.style & SS_TYPEMASK) != SS_ICON && item.id != IDC_HOMEPAGE) {
            EXPECT_EQ(mapped.left + mapped.right, actual.right);
            EXPECT_EQ(mapped.top + mapped.bottom, actual.bottom);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(nullptr, control);

    // What the user reaches with Tab, in order, and what Enter presses.
    std::vector<int> stops;
    HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND stop = first; stop != nullptr && stops.size() < layout.items.size();) {
        stops.push_back(::GetDlgCtrlID(stop));
        stop = ::GetNextDlgTabItem(window, stop, FALSE);
        if (stop == first)
            break;
    }
    EXPECT_EQ((std::vector<int>{IDC_AUTOSTART, IDC_CANCEL, IDC_OK, IDC_HOMEPAGE, IDC_DONATE}), stops);
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

    const std::string expected = WebBrowserOverride::CommandLineFor(
        "https://www.paypal.com/xclick/business=donate@brindle.example"
        "&no_shipping=1&item_name=Vexa+Donation");
    EXPECT_EQ((std::vector<std::string>{expected, expected}), browser.CommandLines(2));
}

} // namespace
