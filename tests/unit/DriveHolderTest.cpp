// What the lock service holds, decided without a service manager: the machine's policy, the
// drives of the test prefix (D: and E:, and F: plugged in through Wine's mount manager), and the
// stand-in class driver of FakeDrives, which keeps the per-handle lock per handle as Windows
// does. The notifications go to a plain window here, as the service's go to its status handle.
#include "support/FakeDrives.h"
#include "support/PolicyKeys.h"
#include "support/WineDrives.h"

#include "drives/DriveHolder.h"
#include "drives/MediaLock.h"

#include <dbt.h>
#include <initguid.h>
#include <ioevent.h>

#include <gtest/gtest.h>

namespace {

using Drives = std::vector<std::string>;

class DriveHolderTest : public ::testing::Test {
protected:
    DriveHolderTest()
        : window(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                   nullptr)),
          holder(window.Get(), DEVICE_NOTIFY_WINDOW_HANDLE)
    {
    }

    // The handle the holder opened last for drive ("D:"): the one its notifications name.
    HANDLE Held(const std::string& drive) const
    {
        for (auto open = drives.opens.rbegin(); open != drives.opens.rend(); ++open) {
            if (open->path == "\\\\.\\" + drive && open->access == FILE_READ_ATTRIBUTES)
                return open->handle;
        }
        return nullptr;
    }

    // What Windows sends about handle: a handle event, or a custom one with its identifier.
    DriveHoldOutcome Event(DWORD event, HANDLE handle, const GUID& what = GUID())
    {
        DEV_BROADCAST_HANDLE record = {};
        record.dbch_size = sizeof(record);
        record.dbch_devicetype = DBT_DEVTYP_HANDLE;
        record.dbch_handle = handle;
        record.dbch_eventguid = what;
        record.dbch_nameoffset = -1;
        return holder.DeviceEvent(event, &record);
    }

    PolicyKeys policies;
    FakeDrives drives;
    CUniqueHandle<WindowTraits> window;
    CDriveHolder holder;
};

TEST_F(DriveHolderTest, TheMachinePolicyHoldsEveryDriveByItsHandleAndStopFreesOnlyThoseLocks)
{
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 1); // a user's policy is not the machine's
    EXPECT_EQ(Drives(), holder.PolicyChanged().held);
    EXPECT_TRUE(drives.EjectWorks("D:"));

    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    EXPECT_EQ((Drives{"D:", "E:"}), holder.PolicyChanged().held);
    EXPECT_EQ(1, drives.HandleLocks("D:"));
    EXPECT_EQ(1, drives.HandleLocks("E:"));
    // A user's program sends the simple unlock: the drive stays locked.
    EXPECT_TRUE(SetMediaLock("D:", 0));
    EXPECT_FALSE(drives.EjectWorks("D:"));
    // The same policy read again adds no second lock.
    holder.PolicyChanged();
    EXPECT_EQ(1, drives.HandleLocks("D:"));

    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 0);
    EXPECT_EQ(Drives(), holder.PolicyChanged().held);
    EXPECT_TRUE(drives.EjectWorks("D:"));

    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    holder.PolicyChanged();
    EXPECT_TRUE(SetMediaLock("E:", 1)); // a user's own lock
    EXPECT_EQ(Drives(), holder.Stop().held);
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_EQ(0, drives.HandleLocks("E:"));
    EXPECT_FALSE(drives.EjectWorks("E:")) << "the user's lock went with the service's";

    drives.removalError["D:"] = ERROR_NOT_READY; // a drive that refuses is not held
    EXPECT_EQ(Drives{"E:"}, holder.PolicyChanged().held);
}

TEST_F(DriveHolderTest, ADriveThatComesIsHeldAndOneThatGoesIsLetGo)
{
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    holder.PolicyChanged();
    PluggedCdromDrive f('F');
    ASSERT_TRUE(f.Defined()) << "Wine's mount manager did not add drive F:";
    EXPECT_EQ((Drives{"D:", "E:", "F:"}), holder.DrivesChanged().held);
    EXPECT_EQ(1, drives.HandleLocks("F:"));
    ASSERT_TRUE(f.Remove());
    EXPECT_EQ((Drives{"D:", "E:"}), holder.DrivesChanged().held);
    EXPECT_EQ(0, drives.HandleLocks("F:"));
}

// Windows' handle protocol, in order: each event and whether D: is held after it.
TEST_F(DriveHolderTest, HeldDrivesFollowWindowsHandleProtocol)
{
    struct Step {
        DWORD event;
        const GUID* what;
        bool held;
    };
    const Step steps[] = {
        {DBT_DEVICEQUERYREMOVE, nullptr, false},
        {DBT_DEVICEQUERYREMOVEFAILED, nullptr, true},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_LOCK, false},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_UNLOCK, true},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_LOCK, false},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_LOCK_FAILED, true},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_DISMOUNT, false},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_DISMOUNT_FAILED, true},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_DISMOUNT, false},
        {DBT_CUSTOMEVENT, &GUID_IO_VOLUME_MOUNT, true},
        {DBT_DEVICEREMOVEPENDING, nullptr, false},
        {DBT_DEVICEQUERYREMOVEFAILED, nullptr, false}, // forgotten: the drive table tells
    };
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    holder.PolicyChanged();
    // A handle that is not the holder's changes nothing.
    EXPECT_EQ((Drives{"D:", "E:"}), Event(DBT_DEVICEQUERYREMOVE, window.Get()).held);
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        const DriveHoldOutcome outcome = Event(step.event, Held("D:"), step.what ? *step.what : GUID());
        EXPECT_EQ(step.held ? (Drives{"D:", "E:"}) : Drives{"E:"}, outcome.held);
        EXPECT_EQ(step.held ? 1 : 0, drives.HandleLocks("D:"));
    }
    EXPECT_EQ(1, drives.HandleLocks("E:"));
}

} // namespace
