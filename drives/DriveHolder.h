// CDriveHolder: what the lock service holds, without a service manager. While the machine's
// LockAllDrives policy is 1, every CD-ROM drive present is held with the lock the class driver
// keeps per handle (IOCTL_STORAGE_EJECTION_CONTROL), which no other program's unlock releases;
// otherwise none is. Each held drive follows Windows' handle protocol (see VolumeNotification.h):
// it lets go when a removal, a volume lock or a dismount is coming, and holds again when that is
// over. The users' simple locks (IOCTL_STORAGE_MEDIA_REMOVAL) are never touched: stopping lets go
// of exactly the service's own locks.
#pragma once

#include "Policy.h"
#include "VolumeNotification.h"

#include <windows.h>

#include <string>
#include <vector>

// What the service holds after an event: the drives ("D:", ...) locked by their handle now. A
// drive that refused the lock keeps its handle, and asks again when its volume comes back.
struct DriveHoldOutcome {
    std::vector<std::string> held;
};

class CDriveHolder {
public:
    // The notifications of the held volumes go to recipient (the service's status handle, or a
    // window in the tests).
    CDriveHolder(HANDLE recipient, DWORD recipientKind)
        : m_recipient{recipient, recipientKind, true}
    {
    }
    CDriveHolder(const CDriveHolder&) = delete;
    CDriveHolder& operator=(const CDriveHolder&) = delete;

    // The service starts, or the machine's policy may have changed: the policy is read, and
    // the drives are held or let go as it says.
    DriveHoldOutcome PolicyChanged();

    // A device came or went (a CD-ROM drive or a volume): the drives present now are held, and
    // a drive that left is let go.
    DriveHoldOutcome DrivesChanged();

    // A SERVICE_CONTROL_DEVICEEVENT (or WM_DEVICECHANGE) for one of the held handles: query-remove,
    // volume lock and dismount let go; query-remove-failed, unlock, lock-failed,
    // dismount-failed and mount hold again; remove-pending and remove-complete forget the
    // handle. An event that names no handle of the holder's changes nothing.
    DriveHoldOutcome DeviceEvent(DWORD event, const void* data);

    // The service stops: every lock of its own is let go.
    DriveHoldOutcome Stop();

private:
    DriveHoldOutcome Follow();
    DriveHoldOutcome Outcome() const;

    VolumeRecipient m_recipient;
    PolicyValue m_policy = PolicyValue::NotConfigured;
    CVolumeNotifications m_volumes;
};
