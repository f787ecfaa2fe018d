// The drives' volume handles that let Windows tell Vexa about a press on a drive's eject button:
// the CD-ROM class driver reports the press (GUID_IO_MEDIA_EJECT_REQUEST) to every window that
// registered a handle of the drive's volume for notifications. Only the drives whose presses
// are explained (those Vexa holds locked) get one. The handle asks for no access
// rights and shares reading and writing; still, it must never keep software from ejecting,
// formatting, burning or removing the drive, so each one follows Windows' protocol: it lets go
// when asked (a removal or a volume lock is about to happen) and comes back when that is over.
// The window is known here only as the handle the notifications go to.
//
// The same handles serve the lock service: there the notifications go to the service (its
// status handle), and each handle also holds the drive with the lock the CD-ROM class driver
// keeps per handle (IOCTL_STORAGE_EJECTION_CONTROL): no other program's unlock request can
// release it, and closing the handle, or the holder ending, does.
#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>
#include <dbt.h>

#include <memory>
#include <string>
#include <vector>

// A volume handle, closed through the platform's seam (see MediaLockPlatform.h).
struct VolumeHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static BOOL Close(Handle handle);
};

// Where a volume's notifications go, and whether its handle holds the drive locked.
struct VolumeRecipient {
    HANDLE handle;    // a window, or a service's status handle
    DWORD kind;       // DEVICE_NOTIFY_WINDOW_HANDLE or DEVICE_NOTIFY_SERVICE_HANDLE
    bool hold;        // the handle holds the per-handle lock while it is open
};

// One drive's volume handle and its registration, released in that order, the reverse of the
// order they were made. A volume that cannot be opened (an empty drive, on a platform that
// refuses that) simply has no handle. A holding handle sends its unlock before it closes:
// Windows' driver lets go at the close anyway, a driver that keeps the lock per drive (Wine's)
// only on the unlock.
class CVolumeNotification {
public:
    // Opens drive's ("D:") volume and registers the handle for notifications to recipient.
    CVolumeNotification(const std::string& drive, const VolumeRecipient& recipient);
    ~CVolumeNotification() { Close(); }
    CVolumeNotification(const CVolumeNotification&) = delete;
    CVolumeNotification& operator=(const CVolumeNotification&) = delete;

    const std::string& Drive() const { return m_drive; }

    // The handle the notifications name, as registered; nullptr without a registration. It
    // still names the registration after the handle itself was let go.
    HANDLE Registered() const { return m_registered; }

    // Opens and registers again, unless the handle is open.
    void Open();

    // TRUE while the handle holds the drive's per-handle lock.
    bool Holds() const { return m_holds; }

    // Lets go of the handle (and its lock) for a while, keeping the registration, which tells
    // when to open again.
    void LetGo();

    // Unregisters, then closes.
    void Close();

private:
    std::string m_drive;
    VolumeRecipient m_recipient;
    CUniqueHandle<VolumeHandleTraits> m_volume;
    CDeviceNotifyHandle m_notify;
    HANDLE m_registered = nullptr;
    bool m_holds = false;
};

// The volume handles of a set of drives, and the platform's events for them.
class CVolumeNotifications {
public:
    // Holds a handle for exactly these drives: a drive no longer named loses its handle, a
    // drive newly named gets one, and a drive that has none tries again.
    void Follow(const std::vector<std::string>& drives, const VolumeRecipient& recipient);
    void Follow(const std::vector<std::string>& drives, HWND recipient)
    {
        Follow(drives, VolumeRecipient{recipient, DEVICE_NOTIFY_WINDOW_HANDLE, false});
    }

    // Releases every handle.
    void Clear() { m_volumes.clear(); }

    // The drives ("D:") whose handle holds the per-handle lock now.
    std::vector<std::string> Held() const;


    // A WM_DEVICECHANGE: follows the protocol for a handle of Vexa's. The drive ("D:") whose
    // eject button was pressed, or empty. Any program can send the message, so the data is
    // checked before it is used: an event that names no handle of Vexa's, has a wrong size or
    // device type, or carries another event does nothing.
    std::string OnDeviceChange(WPARAM event, LPARAM data);

private:
    CVolumeNotification* Find(HANDLE registered) const;

    std::vector<std::unique_ptr<CVolumeNotification>> m_volumes;
};
