// The drive table of the real settings dialog against Wine's real drives: D: and E: are CD-ROM
// drives in the test prefix, which Wine lists and opens but whose drivers refuse the
// media-removal request with error 50.
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"
#include "support/TrayMenuItems.h"

#include "res/resource.h"
#include "tray/SystemTray.h"

#include <vector>

namespace {

// The caption every box of the program has: the executable's name.
std::string AppName()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string name = path;
    name = name.substr(name.find_last_of('\\') + 1);
    return name.substr(0, name.find_last_of('.'));
}

std::string FailureText(const char* drive, int code)
{
    return std::string("Failed to lock/unlock drive ") + drive + "\nError code: " +
           std::to_string(code);
}

using Messages = std::vector<std::string>; // message box texts, in order

// Message boxes are caught (and answered) from before the first start on: one shown at start
// would otherwise wait for a user forever.
class DriveTableTest : public SettingsDialogTest {
protected:
    Messages BoxTexts() const
    {
        Messages texts;
        for (const auto& box : catcher.boxes)
            texts.push_back(box.text);
        return texts;
    }

    MessageBoxCatcher catcher;
};

TEST_F(DriveTableTest, DriveItemsComeFirstInDriveOrderAboveTheTemplatesItems)
{
    EXPECT_EQ(Messages{}, BoxTexts()); // each drive refused its unlock at start, quietly

    // One item per CD-ROM drive, named by its root.
    EXPECT_EQ(DriveItems({"D:\\", "E:\\"}) + CommandItems(),
              ItemsOf(dlg->m_pTray->m_contextMenu.GetSubMenu(0)));

    // Opened, the drive items show what choosing them does and keep their commands.
    EXPECT_EQ(DriveItems({"Lock drive D:", "Lock drive E:"}) + CommandItems(), ShownMenu());
}

TEST_F(DriveTableTest, RefusedLockIsReportedWithDriveAndCodeAndChangesNothing)
{
    Command(ID_DRIVE_FIRST);
    ASSERT_EQ(Messages{FailureText("D:", 50)}, BoxTexts());
    EXPECT_EQ(AppName(), catcher.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), catcher.boxes[0].icon);

    EXPECT_EQ(DriveItems({"Lock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_FALSE(RegistryKeyExists(kProgramKey));

    // Both commands for all drives report every drive, in order, and change nothing either.
    catcher.boxes.clear();
    Command(ID_TRAY_LOCKALL);
    Command(ID_TRAY_UNLOCKALL);
    EXPECT_EQ((Messages{FailureText("D:", 50), FailureText("E:", 50), FailureText("D:", 50),
                        FailureText("E:", 50)}),
              BoxTexts());
    EXPECT_EQ(DriveItems({"Lock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_FALSE(RegistryKeyExists(kProgramKey));
}

TEST_F(DriveTableTest, RememberedLockIsReappliedAtStartWithoutAMessage)
{
    DestroyDialog();
    WriteRegistryDword(kProgramKey, "D:", 1);
    StartDialog();

    EXPECT_EQ(Messages{}, BoxTexts());
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    // The refusal at start loses nothing: the lock is still remembered for the next start.
    const RegistryValue stored = ReadRegistryValue(kProgramKey, "D:");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored.type);
    EXPECT_EQ(1u, stored.AsDword());
    EXPECT_FALSE(ReadRegistryValue(kProgramKey, "E:").exists);

    // The item of a drive believed locked unlocks it.
    Command(ID_DRIVE_FIRST);
    EXPECT_EQ(Messages{FailureText("D:", 50)}, BoxTexts());
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_EQ(1u, ReadRegistryValue(kProgramKey, "D:").AsDword());
}

TEST_F(DriveTableTest, OnlyPlainCommandsOfListedDrivesToggleADrive)
{
    // Every toggle ends in a refusal under Wine, so each one that happens shows a box.
    Command(ID_DRIVE_FIRST + 2);                // one past the last drive
    Command(ID_DRIVE_FIRST - 1);                // below the range
    Command(MAKEWPARAM(ID_DRIVE_FIRST, 1));     // an accelerator, not a menu command
    Command(MAKEWPARAM(ID_DRIVE_FIRST + 1, 1)); // nor this
    EXPECT_EQ(Messages{}, BoxTexts());
    EXPECT_FALSE(RegistryKeyExists(kProgramKey));

    Command(ID_DRIVE_FIRST + 1); // the last drive
    EXPECT_EQ(Messages{FailureText("E:", 50)}, BoxTexts());
}

} // namespace
