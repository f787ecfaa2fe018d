// Drives that come and go while Vexa runs: Wine's mount manager adds and removes real CD-ROM
// drive letters, the tests broadcast the change as Windows does, and the real dialog, menu and
// registry follow. The stand-in drivers of FakeDrives answer the lock requests.
#include "support/FakeDrives.h"
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"
#include "support/ShellRecorder.h"
#include "support/TrayMenuItems.h"
#include "support/WineDrives.h"

#include "framework/SystemFunction.h"
#include "framework/UniqueHandle.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <dbt.h>
#include <initguid.h>
#include <ioevent.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

using Requests = std::vector<std::string>;

class DriveChangesTest : public SettingsDialogTest {
protected:

    // The drives the menu offers, in order: the drive each item names when the menu opens.
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const MenuItem& item : ShownDriveItems())
            names.push_back(item.text.substr(item.text.rfind(' ') + 1));
        return names;
    }

    // The balloons the tray icon asked the shell for.
    std::vector<ShellRequest> Balloons() const { return shell.Modifications(NIF_INFO); }

    void Plug(PluggedCdromDrive& drive, char letter)
    {
        ASSERT_TRUE(drive.Defined()) << "Wine's mount manager did not add drive " << letter;
        ASSERT_TRUE(BroadcastVolumeChange(letter, true, DBTF_MEDIA)); // as Wine marks arrivals
    }

    // The volume handle Vexa opened last for drive ("D:"), without access rights: the one it
    // registered for the drive's notifications.
    HANDLE VolumeHandle(const std::string& drive) const
    {
        for (auto open = drives.opens.rbegin(); open != drives.opens.rend(); ++open) {
            if (open->path == "\\\\.\\" + drive && open->access == 0)
                return open->handle;
        }
        return nullptr;
    }

    // What Windows sends to a window that registered handle: a handle event, or a custom event
    // with its identifier, in a record of size bytes (the whole record unless given).
    LRESULT HandleEvent(WPARAM event, HANDLE handle, const GUID& what = GUID(),
                        DWORD size = sizeof(DEV_BROADCAST_HANDLE), DWORD type = DBT_DEVTYP_HANDLE)
    {
        DEV_BROADCAST_HANDLE record = {};
        record.dbch_size = size;
        record.dbch_devicetype = type;
        record.dbch_handle = handle;
        record.dbch_eventguid = what;
        record.dbch_nameoffset = -1;
        return ::SendMessageA(dlg->m_hWnd, WM_DEVICECHANGE, event,
                              reinterpret_cast<LPARAM>(&record));
    }

    LRESULT EjectPress(HANDLE handle)
    {
        return HandleEvent(DBT_CUSTOMEVENT, handle, GUID_IO_MEDIA_EJECT_REQUEST);
    }

    // A handle value that was closed may name another object at once (Wine's notification
    // thread makes handles of its own), so a handle is judged by the object it names: that of
    // the witness, a duplicate the test takes while the handle is known to be open.
    static CKernelHandle Witness(HANDLE handle)
    {
        CKernelHandle witness;
        ::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), witness.Receive(),
                          0, FALSE, DUPLICATE_SAME_ACCESS);
        return witness;
    }

    static bool IsOpen(HANDLE handle, const CKernelHandle& witness)
    {
        using Compare = LONG(WINAPI*)(HANDLE, HANDLE); // NtCompareObjects: 0 for one object
        static const auto compare = AfxFindSystemFunction<Compare>("ntdll.dll", "NtCompareObjects");
        EXPECT_NE(nullptr, compare);
        return witness && compare != nullptr && compare(handle, witness.Get()) == 0;
    }

    ShellRecorder shell;
    FakeDrives drives;
};

TEST_F(DriveChangesTest, APressOnALockedDrivesEjectButtonIsExplainedAndForgedPressesDoNothing)
{
    EXPECT_EQ(nullptr, VolumeHandle("D:")) << "only a locked drive's press is explained";
    Command(ID_DRIVE_FIRST); // D: locked; E: not
    const HANDLE d = VolumeHandle("D:");
    ASSERT_TRUE(Witness(d)) << "D:'s volume has no handle";
    EXPECT_EQ(nullptr, VolumeHandle("E:"));

    // Any program can send the message: only Vexa's own handle, in a whole record of the right
    // kind, carrying the eject request, counts.
    EjectPress(reinterpret_cast<HANDLE>(0x7FFC));
    const GUID& press = GUID_IO_MEDIA_EJECT_REQUEST;
    HandleEvent(DBT_CUSTOMEVENT, d, press, offsetof(DEV_BROADCAST_HANDLE, dbch_data) - 1);
    HandleEvent(DBT_CUSTOMEVENT, d, GUID_IO_MEDIA_ARRIVAL);
    HandleEvent(DBT_CUSTOMEVENT, d, press, sizeof(DEV_BROADCAST_HANDLE), DBT_DEVTYP_VOLUME);
    ::SendMessageA(dlg->m_hWnd, WM_DEVICECHANGE, DBT_CUSTOMEVENT, 0);
    EXPECT_TRUE(Balloons().empty());

    EXPECT_EQ(TRUE, EjectPress(d));
    EjectPress(d); // pressed again at once
    const std::vector<ShellRequest> balloons = Balloons();
    ASSERT_EQ(1u, balloons.size());
    EXPECT_EQ("Drive D: is locked", balloons[0].infoTitle);
    EXPECT_NE(std::string::npos, balloons[0].info.find("\"Unlock drive D:\""));
    EXPECT_EQ(static_cast<DWORD>(NIIF_INFO), balloons[0].infoFlags);
}

TEST_F(DriveChangesTest, VolumeHandlesLetGoWhenAskedAndCloseWhenTheirDriveLeavesAndAtExit)
{
    Command(ID_DRIVE_FIRST);     // D: locked
    Command(ID_DRIVE_FIRST + 1); // E: locked
    const HANDLE e = VolumeHandle("E:");
    const CKernelHandle eWitness = Witness(e);
    const HANDLE d = VolumeHandle("D:");
    const CKernelHandle dWitness = Witness(d);
    ASSERT_TRUE(IsOpen(d, dWitness)) << "D:'s volume has no handle";
    // Another program wants to remove the drive: the handle goes, and the answer is yes.
    EXPECT_EQ(TRUE, HandleEvent(DBT_DEVICEQUERYREMOVE, d));
    EXPECT_FALSE(IsOpen(d, dWitness));
    // The removal failed: the handle comes back, and a press is heard again.
    drives.Forget();
    HandleEvent(DBT_DEVICEQUERYREMOVEFAILED, d);
    const HANDLE again = VolumeHandle("D:");
    const CKernelHandle againWitness = Witness(again);
    EXPECT_TRUE(IsOpen(again, againWitness));
    // A volume lock (a burning program) lets go the same way, until the unlock.
    HandleEvent(DBT_CUSTOMEVENT, again, GUID_IO_VOLUME_LOCK);
    EXPECT_FALSE(IsOpen(again, againWitness));
    drives.Forget();
    HandleEvent(DBT_CUSTOMEVENT, again, GUID_IO_VOLUME_UNLOCK);
    const HANDLE unlocked = VolumeHandle("D:");
    const CKernelHandle unlockedWitness = Witness(unlocked);
    EXPECT_TRUE(IsOpen(unlocked, unlockedWitness));
    // Unlocked, E: needs its handle no more.
    ASSERT_TRUE(IsOpen(e, eWitness));
    Command(ID_DRIVE_FIRST + 1);
    EXPECT_FALSE(IsOpen(e, eWitness));

    WriteRegistryDword(kProgramKey, "F:", 1); // locked when it comes
    PluggedCdromDrive f('F');
    Plug(f, 'F');
    const HANDLE fHandle = VolumeHandle("F:");
    const CKernelHandle fWitness = Witness(fHandle);
    ASSERT_TRUE(IsOpen(fHandle, fWitness));
    ASSERT_TRUE(f.Remove());
    ASSERT_TRUE(BroadcastVolumeChange('F', false, 0));
    EXPECT_FALSE(IsOpen(fHandle, fWitness)) << "the drive left";

    DestroyDialog();
    EXPECT_FALSE(IsOpen(unlocked, unlockedWitness));
}

TEST_F(DriveChangesTest, APluggedDriveEntersInLetterOrderWithItsRememberedLockAppliedOnce)
{
    WriteRegistryDword(kProgramKey, "F:", 1);
    drives.Forget();
    MessageBoxCatcher boxes;
    PluggedCdromDrive f('F');
    Plug(f, 'F');

    EXPECT_EQ((std::vector<std::string>{"D:", "E:", "F:"}), Names());
    EXPECT_EQ((Requests{"F:0", "F:1"}), drives.RemovalRequests()) << "as at start";
    EXPECT_EQ(1, drives.lockCount["F:"]);
    EXPECT_EQ((DriveItems({"Lock drive D:", "Lock drive E:", "Unlock drive F:"})),
              ShownDriveItems());

    // Told again, and a medium inserted into D:: nothing has changed, nothing is sent.
    drives.Forget();
    ASSERT_TRUE(BroadcastVolumeChange('F', true, DBTF_MEDIA));
    ASSERT_TRUE(BroadcastVolumeChange('F', true, 0));
    ASSERT_TRUE(BroadcastVolumeChange('D', true, DBTF_MEDIA));
    EXPECT_TRUE(drives.requests.empty());
    EXPECT_EQ(3u, ShownDriveItems().size());
    EXPECT_EQ(1, drives.lockCount["F:"]);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(Balloons().empty());
}

TEST_F(DriveChangesTest, ARemovedDriveLeavesItsItemAndTheOthersMoveUpKeepingTheirState)
{
    PluggedCdromDrive f('F');
    PluggedCdromDrive g('G');
    ASSERT_TRUE(f.Defined() && g.Defined());
    ASSERT_TRUE(BroadcastVolumeChange('G', true, 0));
    ASSERT_EQ((std::vector<std::string>{"D:", "E:", "F:", "G:"}), Names());
    Command(ID_DRIVE_FIRST + 3); // lock G:
    ASSERT_EQ(1, drives.lockCount["G:"]);

    drives.Forget();
    ASSERT_TRUE(f.Remove());
    ASSERT_TRUE(BroadcastVolumeChange('F', false, 0));
    ASSERT_TRUE(BroadcastVolumeChange('F', false, 0));

    EXPECT_EQ((std::vector<std::string>{"D:", "E:", "G:"}), Names());
    EXPECT_TRUE(drives.requests.empty()) << "drives that stay are not asked again";
    EXPECT_EQ((DriveItems({"Lock drive D:", "Lock drive E:", "Unlock drive G:"})),
              ShownDriveItems());
    EXPECT_TRUE(ReadRegistryValue(kProgramKey, "F:").exists) << "stored values are never deleted";

    Command(ID_DRIVE_FIRST + 3); // past the last drive now: no drive command
    EXPECT_TRUE(drives.requests.empty());
    Command(ID_DRIVE_FIRST + 2); // G: moved up, and its item unlocks it
    EXPECT_TRUE(drives.EjectWorks("G:"));
}

TEST_F(DriveChangesTest, AChangeWhileTheMenuIsShownWaitsUntilTheMenuHasClosed)
{
    PluggedCdromDrive f('F');
    ASSERT_TRUE(f.Defined());
    int itemsWhileShown = 0;
    CloseNextMenuOnOpen([&] {
        BroadcastVolumeChange('F', true, 0);
        itemsWhileShown = ::GetMenuItemCount(dlg->m_pTray->m_contextMenu.GetSubMenu(0));
        Command(ID_DRIVE_FIRST + 2); // the third drive's command: no drive has it yet
    });
    drives.Forget();
    RightClickTrayIcon();

    EXPECT_EQ(9, itemsWhileShown) << "two drive items and the seven of the template";
    EXPECT_TRUE(drives.requests.empty());
    PumpMessages(); // what the menu left behind, the tray's note that it closed last
    EXPECT_EQ((std::vector<std::string>{"D:", "E:", "F:"}), Names());
    EXPECT_EQ((Requests{"F:0"}), drives.RemovalRequests());
    EXPECT_EQ(3u, ShownDriveItems().size());
}

TEST_F(DriveChangesTest, ResumeLocksTheLockedDrivesAgainQuietly)
{
    Command(ID_DRIVE_FIRST); // lock D:
    drives.Forget();
    MessageBoxCatcher boxes;
    ::SendMessageA(dlg->m_hWnd, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_TRUE(drives.requests.empty());

    EXPECT_EQ(TRUE, ::SendMessageA(dlg->m_hWnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0));
    EXPECT_EQ((Requests{"D:0", "D:1"}), drives.RemovalRequests());
    EXPECT_EQ(1, drives.lockCount["D:"]);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(Balloons().empty());
    Command(ID_DRIVE_FIRST); // one unlock frees the button: the lock replaced, not doubled
    EXPECT_TRUE(drives.EjectWorks("D:"));
}

TEST_F(DriveChangesTest, ALockThatCannotBeReappliedShowsOneWarningBalloonPerEvent)
{
    WriteRegistryDword(kProgramKey, "F:", 1);
    WriteRegistryDword(kProgramKey, "G:", 1);
    drives.removalError["F:"] = ERROR_NOT_READY;
    drives.removalError["G:"] = ERROR_NOT_READY;
    MessageBoxCatcher boxes;
    PluggedCdromDrive f('F');
    PluggedCdromDrive g('G');
    ASSERT_TRUE(f.Defined() && g.Defined());
    ASSERT_TRUE(BroadcastVolumeChange('G', true, 0));

    std::vector<ShellRequest> balloons = Balloons();
    ASSERT_EQ(1u, balloons.size());
    EXPECT_EQ(static_cast<DWORD>(NIIF_WARNING), balloons[0].infoFlags);
    EXPECT_EQ("Drive F: could not be locked (error code 21).\n"
              "Drive G: could not be locked (error code 21).",
              balloons[0].info);
    EXPECT_EQ(dlg->m_pTray->m_hWnd, balloons[0].window);
    EXPECT_EQ("Unlock drive F:", ShownDriveItems()[2].text) << "the believed state stays";

    // Resume: one more balloon, for both drives again.
    ::SendMessageA(dlg->m_hWnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_EQ(2u, Balloons().size());

    // At start, the same.
    shell.requests.clear();
    DestroyDialog();
    WriteRegistryDword(kProgramKey, "D:", 1);
    drives.removalError["D:"] = ERROR_ACCESS_DENIED;
    StartDialog();
    balloons = Balloons();
    ASSERT_EQ(1u, balloons.size());
    EXPECT_EQ("Drive D: could not be locked (error code 5).\n"
              "Drive F: could not be locked (error code 21).\n"
              "Drive G: could not be locked (error code 21).",
              balloons[0].info);
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
