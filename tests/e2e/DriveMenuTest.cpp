// The built Vexa.exe with Wine's CD-ROM drives D: and E:, seen from another process: the tray
// menu it shows, the lock it re-applies at start, and the report of a refused lock.
#include "VexaProcess.h"

#include "support/DialogTemplate.h"
#include "support/RegistryValues.h"
#include "support/StringTable.h"
#include "support/TestSupport.h"
#include "support/WineDrives.h"

#include "framework/UniqueHandle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Runs the test's broadcaster program (vexa_volume_broadcast) with the arguments; its exit code,
// or -1 when it did not start or did not end.
int Broadcast(const std::string& arguments)
{
    return static_cast<int>(RunProgram(TestDirectory() + "\\vexa_volume_broadcast.exe", arguments).exitCode);
}

class DriveMenu : public FreshAccountTest {
protected:
    // Starts Vexa and waits until its start is over.
    void Start()
    {
        vexa = std::make_unique<VexaProcess>();
        ASSERT_TRUE(vexa->WaitForStart());
    }

    // A right click on the icon, as the shell reports it; returns the menu window once shown.
    HWND OpenMenu()
    {
        ::PostMessageA(vexa->TrayWindow(), TrayMessage(), kTrayIconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (menu = vexa->ShownMenu()) != nullptr; },
                            "the tray menu to open on a right click"));
        return menu;
    }

    // Chooses an item of the tray menu with the keyboard, as the user can: the first Down
    // selects the top item, each further one the next item that is not a separator.
    void Choose(int downs)
    {
        HWND menu = OpenMenu();
        ASSERT_NE(nullptr, menu);
        for (int i = 0; i < downs; ++i)
            ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    }

    // Waits for Vexa's next message box, presses OK, and returns its text.
    std::string NextMessage()
    {
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = vexa->MessageBox()) != nullptr; },
                     "a message box from Vexa"))
            return "(no message)";
        const std::string text = MessageBoxText(box);
        PressOk(box);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(box); },
                            "the message box \"" + text + "\" to close on OK"));
        return text;
    }

    std::unique_ptr<VexaProcess> vexa;
};

// Wine cannot read another process's menus, so the items are told apart by what choosing
// them does: under Wine every drive refuses the request and Vexa names the drive.
TEST_F(DriveMenu, DriveItemsComeFirstInDriveOrderAndReportTheRefusal)
{
    Start();
    EXPECT_EQ(nullptr, vexa->MessageBox());

    Choose(1);
    EXPECT_EQ("Failed to lock/unlock drive D:\nError code: 50", NextMessage());
    Choose(2);
    EXPECT_EQ("Failed to lock/unlock drive E:\nError code: 50", NextMessage());
    // Past the separator: "Lock All Drives" tries both drives in order.
    Choose(3);
    EXPECT_EQ("Failed to lock/unlock drive D:\nError code: 50", NextMessage());
    EXPECT_EQ("Failed to lock/unlock drive E:\nError code: 50", NextMessage());

    ::SendMessageA(vexa->SettingsWindow(), WM_NULL, 0, 0);
    EXPECT_EQ(nullptr, vexa->MessageBox());
    EXPECT_FALSE(RegistryKeyExists(kProgramKey));
}

TEST_F(DriveMenu, RememberedLockIsReappliedQuietlyAndKeptWhenRefused)
{
    WriteRegistryDword(kProgramKey, "D:", 1);
    Start();
    EXPECT_EQ(nullptr, vexa->MessageBox());

    Choose(1);
    EXPECT_EQ("Failed to lock/unlock drive D:\nError code: 50", NextMessage());
    ::SendMessageA(vexa->SettingsWindow(), WM_NULL, 0, 0);
    const RegistryValue stored = ReadRegistryValue(kProgramKey, "D:");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored.type);
    EXPECT_EQ(1u, stored.AsDword());
    EXPECT_FALSE(ReadRegistryValue(kProgramKey, "E:").exists);
}

// A USB drive plugged in while Vexa runs, remembered as locked: it joins the menu without a
// restart, its lock is re-applied without a message box, and it leaves the menu when pulled out.
// Wine cannot read another process's menus: the item is known by what choosing it does.
TEST_F(DriveMenu, ADrivePluggedInWhileVexaRunsJoinsTheMenuAndLeavesItWhenPulledOut)
{
    WriteRegistryDword(kProgramKey, "F:", 1);
    Start();
    PluggedCdromDrive f('F');
    ASSERT_TRUE(f.Defined()) << "Wine's mount manager did not add drive F:";
    ASSERT_EQ(0, Broadcast("arrival F media"));
    ASSERT_EQ(0, Broadcast("arrival F media")); // Windows may tell more than once
    ::SendMessageA(vexa->SettingsWindow(), WM_NULL, 0, 0);
    EXPECT_EQ(nullptr, vexa->MessageBox()) << "the remembered lock is re-applied quietly";

    Choose(3); // the third drive item now, where "Lock All Drives" was
    EXPECT_EQ("Failed to lock/unlock drive F:\nError code: 50", NextMessage());
    EXPECT_EQ(1u, ReadRegistryValue(kProgramKey, "F:").AsDword());

    ASSERT_TRUE(f.Remove());
    ASSERT_EQ(0, Broadcast("removal F"));
    Choose(3); // "Lock All Drives" again: D: and E: only
    EXPECT_EQ("Failed to lock/unlock drive D:\nError code: 50", NextMessage());
    EXPECT_EQ("Failed to lock/unlock drive E:\nError code: 50", NextMessage());
    ::SendMessageA(vexa->SettingsWindow(), WM_NULL, 0, 0);
    EXPECT_EQ(nullptr, vexa->MessageBox());
    EXPECT_TRUE(ReadRegistryValue(kProgramKey, "F:").exists) << "stored values stay";
}

// Vexa shows its window and its menu in the session's display language: every control of the
// running window has its text from that language's template, and the menu's first drive entry
// brings that language's refusal (Wine cannot read another process's menu; the unit tests read
// the menu's own texts in-process). The run in US English is repeated in a German and a Japanese
// session (tests/CMakeLists.txt).
TEST_F(DriveMenu, WindowAndMenuInTheSessionsLanguage)
{
    const CModuleHandle exe(::LoadLibraryExA((TestDirectory() + "\\Vexa.exe").c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(exe);
    const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const LANGID language = ::GetUserDefaultUILanguage();
    const DialogTemplate englishLayout = LoadDialogTemplate(102, english, exe.Get());
    const DialogTemplate layout = LoadDialogTemplate(102, language, exe.Get());
    ASSERT_EQ(englishLayout.items.size(), layout.items.size()) << "no window in " << language;

    Start();
    int compared = 0;
    int translated = 0;
    for (std::size_t i = 0; i < layout.items.size(); ++i) {
        const DialogTemplateItem& item = layout.items[i];
        if (item.id == -1 || item.text.empty())
            continue;
        EXPECT_EQ(item.text, WindowText(::GetDlgItem(vexa->SettingsWindow(), item.id)));
        ++compared;
        translated += item.text != englishLayout.items[i].text ? 1 : 0;
    }
    EXPECT_EQ(5, compared); // the check box, the buttons and the link
    if (language != english) {
        EXPECT_LE(3, translated) << "the link's address, and perhaps \"OK\", stay";
    }
    EXPECT_EQ("Vexa Settings", WindowText(vexa->SettingsWindow())); // others find Vexa by it

    Choose(1);
    const std::string refusal = StringsOf(exe.Get(), language)[205]; // IDS_DRIVE_REFUSED
    ASSERT_FALSE(refusal.empty());
    EXPECT_EQ(Filled(refusal, {"D:", "50"}), NextMessage());
}

} // namespace
