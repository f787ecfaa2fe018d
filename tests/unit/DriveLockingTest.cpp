// The drive table on drives that accept the media-removal request, which Wine's cannot: the
// stand-in drivers of FakeDrives answer for Wine's real D: and E:, and count locks as Windows
// does. The dialog, its menu, the registry and the message boxes are all real.
#include "support/FakeDrives.h"
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"

#include "app/CommandLine.h"
#include "app/CommandProcess.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <cstring>
#include <vector>

namespace {

using Requests = std::vector<std::string>;

class DriveLockingTest : public SettingsDialogTest {
protected:
    static RegistryValue Stored(const char* drive) { return ReadRegistryValue(kProgramKey, drive); }

    // Exit, then start again with what is stored now; the drives keep their lock counts.
    void Restart()
    {
        DestroyDialog();
        drives.Forget();
        StartDialog();
    }

    FakeDrives drives; // in place before the dialog starts, removed after it is gone
    MessageBoxCatcher boxes; // from before the start on: a box at start must not wait forever
};

TEST_F(DriveLockingTest, StartSendsEveryRememberedStateQuietlyReplacingAnEarlierLock)
{
    // A fresh account: each drive is remembered as unlocked and receives an unlock request.
    EXPECT_EQ((Requests{"D:0", "E:0"}), drives.RemovalRequests());
    EXPECT_EQ(DriveItems({"Lock drive D:", "Lock drive E:"}), ShownDriveItems());

    // D: locked in the last run, and still locked by its driver (no Windows restart since).
    drives.lockCount["D:"] = 1;
    WriteRegistryDword(kProgramKey, "D:", 1);
    Restart();
    EXPECT_EQ((Requests{"D:0", "D:1", "E:0"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_EQ(1u, Stored("D:").AsDword());

    // A refusal at start goes unreported too.
    drives.removalError["D:"] = ERROR_NOT_READY;
    drives.removalError["E:"] = ERROR_NOT_READY;
    Restart();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_EQ(1u, Stored("D:").AsDword());
}

TEST_F(DriveLockingTest, ToggleFollowsEachAcceptedRequestInMenuStateAndStore)
{
    drives.Forget();
    Command(ID_DRIVE_FIRST);
    EXPECT_EQ((Requests{"D:1"}), drives.RemovalRequests());
    EXPECT_FALSE(drives.EjectWorks("D:"));
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    const RegistryValue stored = Stored("D:");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), stored.type);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), stored.data);

    Command(ID_DRIVE_FIRST + 1);
    Command(ID_DRIVE_FIRST);
    EXPECT_EQ((Requests{"D:1", "E:1", "D:0"}), drives.RemovalRequests());
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_FALSE(drives.EjectWorks("E:"));
    EXPECT_EQ(DriveItems({"Lock drive D:", "Unlock drive E:"}), ShownDriveItems());
    EXPECT_EQ(0u, Stored("D:").AsDword());
    EXPECT_EQ(1u, Stored("E:").AsDword());

    // Locked D: is remembered; the next start locks it again.
    Command(ID_DRIVE_FIRST);
    Restart();
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Unlock drive E:"}), ShownDriveItems());
    EXPECT_FALSE(drives.EjectWorks("D:"));
}

TEST_F(DriveLockingTest, LockAllReportsTheFailingDriveWithItsOwnCodeAndLocksTheRest)
{
    // The volume unlock after the refused request fails as well: the box still shows the code
    // of the refusal.
    drives.removalError["D:"] = ERROR_NOT_READY;
    drives.volumeUnlockError = ERROR_NOT_LOCKED;
    Command(ID_TRAY_LOCKALL);

    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Failed to lock/unlock drive D:\nError code: 21", boxes.boxes[0].text);
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_FALSE(drives.EjectWorks("E:"));
    EXPECT_EQ(DriveItems({"Lock drive D:", "Unlock drive E:"}), ShownDriveItems());
    EXPECT_EQ(0u, Stored("D:").AsDword()); // as the unlock at start left it
    EXPECT_EQ(1u, Stored("E:").AsDword());

    drives.removalError.clear();
    boxes.boxes.clear();
    Command(ID_TRAY_UNLOCKALL);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(DriveItems({"Lock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_EQ(0u, Stored("E:").AsDword());
    EXPECT_TRUE(drives.EjectWorks("E:"));
}

// Windows counts locks per drive and frees the eject button only at zero; the count outlives
// Vexa. Whatever the user did before (a lock, then Lock All; a restart; Lock All once more), one
// unlock must free the button.
TEST_F(DriveLockingTest, OneUnlockFreesTheDriveWhateverLockedItBefore)
{
    Command(ID_DRIVE_FIRST);
    Command(ID_TRAY_LOCKALL);
    EXPECT_EQ(1, drives.lockCount["D:"]);
    EXPECT_EQ(1, drives.lockCount["E:"]);
    Restart();
    Command(ID_TRAY_LOCKALL);
    EXPECT_EQ(1, drives.lockCount["D:"]);
    EXPECT_EQ(1, drives.lockCount["E:"]);

    Command(ID_DRIVE_FIRST);
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_EQ(DriveItems({"Lock drive D:", "Unlock drive E:"}), ShownDriveItems());
    EXPECT_EQ(0u, Stored("D:").AsDword());
    Command(ID_TRAY_UNLOCKALL);
    EXPECT_TRUE(drives.EjectWorks("E:"));
}

TEST_F(DriveLockingTest, DriveWhoseLockFailedAtStartIsStillLockedByLockAll)
{
    WriteRegistryDword(kProgramKey, "D:", 1);
    drives.removalError["D:"] = ERROR_NOT_READY;
    Restart();
    // Believed locked, though nothing holds it.
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_TRUE(drives.EjectWorks("D:"));

    drives.removalError.clear();
    drives.Forget();
    Command(ID_TRAY_LOCKALL);
    EXPECT_EQ((Requests{"D:1", "E:1"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
    Command(ID_DRIVE_FIRST);
    EXPECT_TRUE(drives.EjectWorks("D:"));
}

const DWORD kD = 1u << ('D' - 'A');
const DWORD kE = 1u << ('E' - 'A');

// A command from Vexa.exe /lock or /unlock goes the menu's way: its request, its entry text and
// its store; only the message box is left to the command's process, which gets the code.
TEST_F(DriveLockingTest, CommandFromTheCommandLineIsCarriedOutAsTheMenusAndAnswered)
{
    drives.Forget();
    drives.removalError["E:"] = ERROR_NOT_READY;
    std::vector<DriveAnswer> answers;
    EXPECT_EQ(TRUE, SendCommand({kCommandVersion, kCommandLock, kD | kE}, &answers));
    EXPECT_EQ((Requests{"D:1", "E:1"}), drives.RemovalRequests());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_EQ(1u, Stored("D:").AsDword());
    ASSERT_EQ(2u, answers.size());
    EXPECT_EQ("D: locked", AnswerLine({kCommandVersion, kCommandLock, 0}, answers[0]));
    EXPECT_EQ("E: could not be locked (error code 21); it is unlocked",
              AnswerLine({kCommandVersion, kCommandLock, 0}, answers[1]));
    EXPECT_EQ(kExitRefused, CommandExitCode(answers));

    // Not a CD-ROM drive here: nothing is done to the drive that is one.
    drives.Forget();
    EXPECT_EQ(TRUE, SendCommand({kCommandVersion, kCommandUnlock, kD | 1u << 25}, &answers));
    EXPECT_TRUE(drives.requests.empty());
    EXPECT_EQ(kExitNotCdrom, CommandExitCode(answers));
}

TEST_F(DriveLockingTest, MalformedCommandMessagesDoNothing)
{
    drives.Forget();
    CommandRequest request = {kCommandVersion, kCommandLock, kD};
    BYTE longer[sizeof(request) + 1] = {};
    std::memcpy(longer, &request, sizeof(request));
    std::vector<DriveAnswer> answers;
    for (const COPYDATASTRUCT& data : {COPYDATASTRUCT{kCommandAnswerTag, sizeof(request), &request},
                                       {kCommandRequestTag, sizeof(longer), longer},
                                       {kCommandRequestTag, sizeof(request) - 1, &request},
                                       {kCommandRequestTag, sizeof(request), nullptr}})
        EXPECT_EQ(FALSE, SendCopyData(data, &answers)) << data.cbData;
    for (const CommandRequest& wrong : {CommandRequest{2, kCommandLock, kD}, {kCommandVersion, 0, kD},
                                        {kCommandVersion, 4, kD}, {kCommandVersion, kCommandStatus, kD},
                                        {kCommandVersion, kCommandLock, 1u << 26}})
        EXPECT_EQ(FALSE, SendCommand(wrong, &answers)) << wrong.version << wrong.kind << wrong.drives;
    EXPECT_EQ(FALSE, ::SendMessageW(dlg->m_hWnd, WM_COPYDATA, 0, 0)) << "no data, no one to answer";
    EXPECT_TRUE(drives.requests.empty());
    EXPECT_TRUE(answers.empty());
}

// Commands of processes that work alone, one after the other: each applies the remembered locks
// first, so a drive keeps one lock of Vexa's, and one unlock frees it.
TEST_F(DriveLockingTest, CommandsWorkingAloneKeepOneLockPerDrive)
{
    CarryOutAlone({kCommandVersion, kCommandLock, kD});
    CarryOutAlone({kCommandVersion, kCommandLock, kD});
    EXPECT_EQ(1, drives.lockCount["D:"]);
    const std::vector<DriveAnswer> status = CarryOutAlone({kCommandVersion, kCommandStatus, 0});
    ASSERT_EQ(2u, status.size());
    EXPECT_EQ(1, status[0].locked);
    EXPECT_EQ(0, status[1].locked);
    CarryOutAlone({kCommandVersion, kCommandUnlock, kD});
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_EQ(0u, Stored("D:").AsDword());
}

} // namespace
