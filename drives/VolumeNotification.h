// The drives' volume handles that let Windows tell Vexa about a press on a drive's eject button:
// the CD-ROM class driver reports the press (GUID_IO_MEDIA_EJECT_REQUEST) to every window that
// registered a handle of the drive's volume for notifications. Only the drives whose presses
// are explained (those Vexa holds locked) get one. The handle asks for no access
// rights and shares reading and writing; still, it must never keep software from ejecting,
// formatting, burning or removing the drive, so each one follows Windows' protocol: it lets go
// when asked (a removal or a volume lock is about to happen) and comes back when that is over.
// The window is known here only as the handle the notifications go to.
#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>
#include <dbt.h>

#include <memory>
#include <string>
#include <vector>

// One drive's volume handle and its registration, released in that order, the reverse of the
// order they were made. A volume that cannot be opened (an empty drive, on a platform that
// refuses that) simply has no handle.
class CVolumeNotification {
public:
    // Opens drive's ("D:") volume and registers the handle for notifications to recipient.
    CVolumeNotification(const std::string& drive, HWND recipient);
    ~CVolumeNotification() { Close(); }
    CVolumeNotification(const CVolumeNotification&) = delete;
    CVolumeNotification& operator=(const CVolumeNotification&) = delete;

    const std::string& Drive() const { return m_drive; }

    // The handle the notifications name, as registered; nullptr without a registration. It
    // still names the registration after the handle itself was let go.
    HANDLE Registered() const { return m_registered; }

    // Opens and registers again, unless the handle is open.
    void Open();

    // Lets go of the handle for a while, keeping the registration, which tells when to open
    // again.
    void LetGo() { m_volume.Reset(); }

    // Unregisters, then closes.
    void Close();

private:
    std::string m_drive;
    HWND m_recipient;
    CFileHandle m_volume;
    CDeviceNotifyHandle m_notify;
    HANDLE m_registered = nullptr;
};

// The volume handles of a set of drives, and the platform's events for them.
class CVolumeNotifications {
public:
    // Holds a handle for exactly these drives: a drive no longer named loses its handle, a
    // drive newly named gets one, and a drive that has none tries again.
    void Follow(const std::vector<std::string>& drives, HWND recipient);

    // Releases every handle.
    void Clear() { m_volumes.clear(); }

    // A WM_DEVICECHANGE: follows the protocol for a handle of Vexa's. The drive ("D:") whose
    // eject button was pressed, or empty. Any program can send the message, so the data is
    // checked before it is used: an event that names no handle of Vexa's, has a wrong size or
    // device type, or carries another event does nothing.
    std::string OnDeviceChange(WPARAM event, LPARAM data);

private:
    CVolumeNotification* Find(HANDLE registered) const;

    std::vector<std::unique_ptr<CVolumeNotification>> m_volumes;
};
