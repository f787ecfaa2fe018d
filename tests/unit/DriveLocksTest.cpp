// The decisions about the drives' locks, without a window: the real registry and drive list of
// the test prefix (D: and E: are CD-ROM drives), Wine's mount manager for drives that come, and
// the stand-in drivers of FakeDrives that accept the media-removal request.
#include "support/FakeDrives.h"
#include "support/PolicyKeys.h"
#include "support/RegistryValues.h"
#include "support/TestSupport.h"
#include "support/WineDrives.h"

#include "drives/DriveLocks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Requests = std::vector<std::string>;

class DriveLocksTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteProgramKey(); }
    void TearDown() override { DeleteProgramKey(); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> entries;
        for (int i = 0; i < locks.Table().Count(); ++i)
            entries.push_back(locks.EntryText(i) + (locks.EntryEnabled(i) ? "" : " (greyed)"));
        return entries;
    }

    PolicyKeys keys;
    FakeDrives drives;
    CSettingsStore store{kProgramKey};
    CDriveLocks locks{store};
};

TEST_F(DriveLocksTest, StartReplacesALeftoverLockAndReportsOnlyLocksThatFailed)
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

TEST_F(DriveLocksTest, UserCommandsReportEachRefusalAndHoldOneLockPerDrive)
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

TEST_F(DriveLocksTest, EnforcedLockIsAppliedNotRememberedAndForbidsEveryUnlock)
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

TEST_F(DriveLocksTest, ChangesWhileTheMenuIsShownWaitUntilItCloses)
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

TEST_F(DriveLocksTest, ResumeLocksAgainOnlyTheDrivesThatShouldBeLocked)
{
    locks.Start();
    locks.Toggle(0);
    drives.Forget();
    const DriveLockOutcome resumed = locks.Resumed(false);
    EXPECT_FALSE(resumed.drivesChanged);
    EXPECT_EQ((Requests{"D:0", "D:1"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
}

} // namespace
