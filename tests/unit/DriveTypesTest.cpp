// The drive table, the settings store and the decisions about the drives' locks on their own,
// without a window: the real registry, the real drive list of the test prefix (D: and E: are
// CD-ROM drives), Wine's mount manager for drives that come, and the stand-in drivers of
// FakeDrives that accept the media-removal request.
#include "support/FakeDrives.h"
#include "support/PolicyKeys.h"
#include "support/RegistryValues.h"
#include "support/TestSupport.h"
#include "support/WineDrives.h"

#include "drives/DriveLocks.h"
#include "drives/DriveTable.h"
#include "drives/SettingsStore.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Requests = std::vector<std::string>;

class DriveTypesTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteProgramKey(); }
    void TearDown() override { DeleteProgramKey(); }

    // The drive locks' entries as the menu shows them: each entry's text, and whether greyed.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> entries;
        for (int i = 0; i < locks.Table().Count(); ++i)
            entries.push_back(locks.EntryText(i) + (locks.EntryEnabled(i) ? "" : " (greyed)"));
        return entries;
    }

    PolicyKeys keys;
    CSettingsStore store{kProgramKey};
    CDriveTable table{store};
    FakeDrives drives;
    CDriveLocks locks{store};
};

TEST_F(DriveTypesTest, TheMachinesCdromDrivesAreFoundInLetterOrder)
{
    EXPECT_EQ((std::vector<std::string>{"D:", "E:"}), FindCdromDrives());
}

TEST_F(DriveTypesTest, AddedDrivesCarryTheirRememberedStateAndEntryText)
{
    WriteRegistryDword(kProgramKey, "D:", 256); // any value but 0 is a remembered lock
    EXPECT_EQ(0, table.Add("D:"));
    EXPECT_EQ(1, table.Add("E:"));
    ASSERT_EQ(2, table.Count());
    EXPECT_EQ(1, table.Locked()[0]);
    EXPECT_EQ(0, table.Locked()[1]);
    EXPECT_EQ("Unlock drive D:", table.EntryText(0));
    EXPECT_EQ("Lock drive E:", table.EntryText(1));
    EXPECT_TRUE(drives.requests.empty()) << "adding a drive sends nothing";

    table.Clear();
    for (int i = 0; i < CDriveTable::kMaxDrives; ++i)
        ASSERT_EQ(i, table.Add("D:"));
    EXPECT_EQ(-1, table.Add("E:")) << "a full table takes no more";
    EXPECT_EQ(CDriveTable::kMaxDrives, table.Count());
}

TEST_F(DriveTypesTest, OnlyAcceptedRequestsChangeStateAndStoreAndOneLockIsHeldAtMost)
{
    table.Add("D:");
    table.Add("E:");

    EXPECT_TRUE(table.SetLock(0, 1));
    EXPECT_TRUE(table.SetLock(0, 1)); // held already: accepted without a request
    EXPECT_EQ((Requests{"D:1"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
    EXPECT_EQ(1, table.Locked()[0]);
    EXPECT_EQ(1, table.LockHeld()[0]);
    EXPECT_EQ(1u, store.ReadDriveState("D:"));

    drives.removalError["E:"] = ERROR_ACCESS_DENIED;
    ::SetLastError(0);
    EXPECT_FALSE(table.SetLock(1, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), ::GetLastError());
    EXPECT_EQ(0, table.Locked()[1]);
    EXPECT_FALSE(ReadRegistryValue(kProgramKey, "E:").exists) << "a refusal stores nothing";

    drives.Forget();
    EXPECT_FALSE(table.SetLock(2, 1));
    EXPECT_FALSE(table.SetLock(-1, 0));
    EXPECT_TRUE(drives.requests.empty()) << "no drive at that index: no request";

    EXPECT_TRUE(table.SetLock(0, 0));
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_EQ(0u, store.ReadDriveState("D:"));
}

TEST_F(DriveTypesTest, ReapplyingReplacesTheLockTheDriverStillCountsInsteadOfDoublingIt)
{
    WriteRegistryDword(kProgramKey, "D:", 1);
    table.Add("D:");
    table.Add("E:");
    drives.lockCount["D:"] = 1; // left by an earlier run

    EXPECT_TRUE(table.Apply(0, 1, true));
    EXPECT_TRUE(table.Apply(1, 0, true));
    EXPECT_EQ((Requests{"D:0", "D:1", "E:0"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);

    // Again while this run holds the lock, as after the machine slept: still one lock.
    drives.Forget();
    EXPECT_TRUE(table.Apply(0, 1, true));
    EXPECT_EQ((Requests{"D:0", "D:1"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);

    // A drive that refuses keeps its believed state, and holds nothing.
    drives.removalError["D:"] = ERROR_NOT_READY;
    EXPECT_FALSE(table.Apply(0, 1, true));
    EXPECT_EQ(1, table.Locked()[0]);
    EXPECT_EQ(0, table.LockHeld()[0]);
}

TEST_F(DriveTypesTest, StartReplacesALeftoverLockAndReportsOnlyLocksThatFailed)
{
    WriteRegistryDword(kProgramKey, "D:", 1);
    drives.lockCount["D:"] = 1; // left by an earlier run
    drives.removalError["E:"] = ERROR_NOT_READY; // a refused unlock leaves nothing to warn of
    const DriveLockOutcome started = locks.Start();
    EXPECT_TRUE(started.drivesChanged);
    EXPECT_TRUE(started.refusals.empty());
    EXPECT_EQ("", started.quietFailures);
    EXPECT_EQ((Requests{"D:0", "D:1", "E:0"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
    EXPECT_EQ((std::vector<std::string>{"Unlock drive D:", "Lock drive E:"}), Entries());

    drives.removalError["D:"] = ERROR_NOT_READY;
    EXPECT_EQ("Drive D: could not be locked (error code 21).", locks.Start().quietFailures);
    EXPECT_EQ((std::vector<std::string>{"Unlock drive D:", "Lock drive E:"}), Entries());
    EXPECT_EQ(1u, store.ReadDriveState("D:")) << "a failure at start forgets nothing";
}

TEST_F(DriveTypesTest, UserCommandsReportEachRefusalAndHoldOneLockPerDrive)
{
    locks.Start();
    drives.removalError["D:"] = ERROR_NOT_READY;
    DriveLockOutcome outcome = locks.LockAll();
    EXPECT_TRUE(outcome.failed);
    ASSERT_EQ(1u, outcome.refusals.size());
    EXPECT_EQ("D:", outcome.refusals[0].drive);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), outcome.refusals[0].error);
    EXPECT_EQ((std::vector<std::string>{"Lock drive D:", "Unlock drive E:"}), Entries());

    EXPECT_FALSE(locks.LockAll().refusals.empty()); // D: still refuses
    EXPECT_TRUE(locks.Toggle(1).refusals.empty());
    EXPECT_TRUE(drives.EjectWorks("E:")) << "one unlock after Lock All twice";
    EXPECT_EQ(0u, store.ReadDriveState("E:"));
    EXPECT_TRUE(locks.Toggle(2).failed) << "no drive there";
}

TEST_F(DriveTypesTest, EnforcedLockIsAppliedNotRememberedAndForbidsEveryUnlock)
{
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    locks.Start();
    EXPECT_FALSE(drives.EjectWorks("D:"));
    EXPECT_FALSE(drives.EjectWorks("E:"));
    EXPECT_FALSE(RegistryKeyExists(kProgramKey)) << "not the user's choice";
    EXPECT_TRUE(locks.AdministratorManaged());
    EXPECT_TRUE(locks.LockAllowed(1));
    EXPECT_FALSE(locks.LockAllowed(0));
    EXPECT_EQ((std::vector<std::string>{"Unlock drive D: (greyed)", "Unlock drive E: (greyed)"}),
              Entries());

    drives.Forget();
    locks.Toggle(0);
    locks.UnlockAll();
    EXPECT_TRUE(drives.requests.empty()) << "a forbidden command does nothing";
}

TEST_F(DriveTypesTest, ChangesWhileTheMenuIsShownWaitUntilItCloses)
{
    locks.Start();
    PluggedCdromDrive f('F');
    ASSERT_TRUE(f.Defined());
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 1);
    drives.Forget();
    EXPECT_FALSE(locks.DrivesChanged(true).drivesChanged);
    EXPECT_FALSE(locks.PoliciesChanged(true).policiesApplied);
    EXPECT_EQ(2, locks.Table().Count());
    EXPECT_FALSE(locks.AdministratorManaged());
    EXPECT_TRUE(drives.requests.empty());

    const DriveLockOutcome closed = locks.MenuClosed();
    EXPECT_TRUE(closed.drivesChanged);
    EXPECT_TRUE(closed.policiesApplied);
    EXPECT_EQ(3, locks.Table().Count());
    EXPECT_FALSE(drives.EjectWorks("F:"));
    EXPECT_FALSE(locks.MenuClosed().drivesChanged) << "nothing waits any more";
}

TEST_F(DriveTypesTest, ResumeLocksAgainOnlyTheDrivesThatShouldBeLocked)
{
    locks.Start();
    locks.Toggle(0);
    drives.Forget();
    const DriveLockOutcome resumed = locks.Resumed(false);
    EXPECT_FALSE(resumed.drivesChanged);
    EXPECT_EQ((Requests{"D:0", "D:1"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
}

TEST_F(DriveTypesTest, APressOnALockedDrivesEjectButtonIsExplainedOnceInTenSeconds)
{
    locks.Start();
    locks.Toggle(0); // D: locked by the user; E: stays unlocked
    EXPECT_EQ((std::vector<std::string>{"D:"}), locks.ExplainedDrives()) << "need a handle";
    const DWORD t = 0xFFFFF000; // ten seconds from here cross the tick counter's wrap

    const DriveLockOutcome first = locks.EjectPressed("D:", t, false);
    EXPECT_EQ("Drive D: is locked", first.notice.title);
    EXPECT_NE(std::string::npos, first.notice.text.find("\"Unlock drive D:\""));
    EXPECT_TRUE(locks.EjectPressed("E:", t, false).notice.title.empty()) << "Windows opens it";
    EXPECT_TRUE(locks.EjectPressed("F:", t, false).notice.title.empty());

    // Again within ten seconds, or while the notice is shown: nothing new.
    EXPECT_TRUE(locks.EjectPressed("D:", t + 9999, false).notice.title.empty());
    EXPECT_TRUE(locks.EjectPressed("D:", t + 60000, true).notice.title.empty());
    EXPECT_FALSE(locks.EjectPressed("D:", t + 60000, false).notice.title.empty());

    // An enforced lock is the administrator's: no menu entry can open it.
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 1);
    locks.PoliciesChanged(false);
    const DriveLockOutcome enforced = locks.EjectPressed("E:", t, false);
    EXPECT_EQ("Drive E: is locked", enforced.notice.title);
    EXPECT_NE(std::string::npos, enforced.notice.text.find("administrator"));
    EXPECT_EQ(std::string::npos, enforced.notice.text.find("Unlock"));

    // The administrator turns the notice off.
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyEjectNotice, 0);
    locks.PoliciesChanged(false);
    EXPECT_TRUE(locks.EjectPressed("D:", t + 120000, false).notice.title.empty());
    EXPECT_TRUE(locks.ExplainedDrives().empty());
}

} // namespace
