#include "VolumeNotification.h"

#include "MediaLockPlatform.h"

#include <winioctl.h>

#include <initguid.h> // the events' identifiers are defined here, once
#include <ioevent.h>

#include <algorithm>
#include <cstddef>

BOOL VolumeHandleTraits::Close(HANDLE handle)
{
    return g_mediaLockPlatform.closeHandle(handle);
}

CVolumeNotification::CVolumeNotification(const std::string& drive,
                                         const VolumeRecipient& recipient)
    : m_drive(drive), m_recipient(recipient)
{
    Open();
}

void CVolumeNotification::LetGo()
{
    if (m_holds) {
        PREVENT_MEDIA_REMOVAL request = {FALSE};
        DWORD returned = 0;
        g_mediaLockPlatform.deviceIoControl(m_volume.Get(), IOCTL_STORAGE_EJECTION_CONTROL,
                                            &request, sizeof(request), nullptr, 0, &returned,
                                            nullptr);
        m_holds = false;
    }
    m_volume.Reset();
}

void CVolumeNotification::Open()
{
    if (m_volume)
        return;
    Close();
    // No access rights: the handle reads nothing and writes nothing; it only names the volume.
    // The per-handle lock asks for the right to read the volume's attributes, and no more.
    const std::string path = "\\\\.\\" + m_drive;
    CUniqueHandle<VolumeHandleTraits> volume(g_mediaLockPlatform.createFile(
        path.c_str(), m_recipient.hold ? FILE_READ_ATTRIBUTES : 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!volume)
        return;
    DEV_BROADCAST_HANDLE filter = {};
    filter.dbch_size = sizeof(filter);
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = volume.Get();
    CDeviceNotifyHandle notify(
        ::RegisterDeviceNotificationA(m_recipient.handle, &filter, m_recipient.kind));
    // A handle that no notification names would only be in the way: it would never let go
    // when Windows asks.
    if (!notify)
        return;
    m_registered = volume.Get();
    m_volume = std::move(volume);
    m_notify = std::move(notify);
    if (!m_recipient.hold)
        return;
    // A refused lock keeps the handle: it still hears when the volume comes back (a medium,
    // a mount), and the lock is asked for again then.
    PREVENT_MEDIA_REMOVAL request = {TRUE};
    DWORD returned = 0;
    m_holds = g_mediaLockPlatform.deviceIoControl(m_volume.Get(), IOCTL_STORAGE_EJECTION_CONTROL,
                                                  &request, sizeof(request), nullptr, 0,
                                                  &returned, nullptr) != FALSE;
}

void CVolumeNotification::Close()
{
    m_notify.Reset();
    LetGo();
    m_registered = nullptr;
}

void CVolumeNotifications::Follow(const std::vector<std::string>& drives,
                                  const VolumeRecipient& recipient)
{
    std::vector<std::unique_ptr<CVolumeNotification>> kept;
    for (const std::string& drive : drives) {
        auto found = std::find_if(m_volumes.begin(), m_volumes.end(), [&](const auto& volume) {
            return volume && volume->Drive() == drive;
        });
        if (found != m_volumes.end()) {
            // A drive without a handle tries again; one that let go waits for its notice.
            if ((*found)->Registered() == nullptr)
                (*found)->Open();
            kept.push_back(std::move(*found));
        } else {
            kept.push_back(std::make_unique<CVolumeNotification>(drive, recipient));
        }
    }
    // The drives that left are released here, with the old list.
    m_volumes.swap(kept);
}

std::vector<std::string> CVolumeNotifications::Held() const
{
    std::vector<std::string> held;
    for (const auto& volume : m_volumes) {
        if (volume->Holds())
            held.push_back(volume->Drive());
    }
    return held;
}

CVolumeNotification* CVolumeNotifications::Find(HANDLE registered) const
{
    if (registered == nullptr)
        return nullptr;
    for (const auto& volume : m_volumes) {
        if (volume->Registered() == registered)
            return volume.get();
    }
    return nullptr;
}

std::string CVolumeNotifications::OnDeviceChange(WPARAM event, LPARAM data)
{
    const bool custom = event == DBT_CUSTOMEVENT;
    if (!custom && event != DBT_DEVICEQUERYREMOVE && event != DBT_DEVICEQUERYREMOVEFAILED &&
        event != DBT_DEVICEREMOVEPENDING && event != DBT_DEVICEREMOVECOMPLETE)
        return std::string();
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    // A handle event carries the handle and the registration; a custom one also its event.
    const DWORD least = custom ? offsetof(DEV_BROADCAST_HANDLE, dbch_data)
                               : offsetof(DEV_BROADCAST_HANDLE, dbch_eventguid);
    // The size first: a record from another program is copied by its own word of its size.
    if (header == nullptr || header->dbch_size < least ||
        header->dbch_devicetype != DBT_DEVTYP_HANDLE)
        return std::string();
    const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(data);
    CVolumeNotification* volume = Find(broadcast->dbch_handle);
    if (volume == nullptr)
        return std::string();

    switch (event) {
    case DBT_DEVICEQUERYREMOVE:
        volume->LetGo();
        return std::string();
    case DBT_DEVICEQUERYREMOVEFAILED:
        volume->Open();
        return std::string();
    case DBT_DEVICEREMOVEPENDING:
    case DBT_DEVICEREMOVECOMPLETE:
        volume->Close(); // the drive's handle is gone; the drive table tells if it comes back
        return std::string();
    default:
        break;
    }
    const GUID& what = broadcast->dbch_eventguid;
    if (what == GUID_IO_VOLUME_LOCK || what == GUID_IO_VOLUME_DISMOUNT)
        volume->LetGo();
    else if (what == GUID_IO_VOLUME_UNLOCK || what == GUID_IO_VOLUME_LOCK_FAILED ||
             what == GUID_IO_VOLUME_DISMOUNT_FAILED || what == GUID_IO_VOLUME_MOUNT)
        volume->Open();
    else if (what == GUID_IO_MEDIA_EJECT_REQUEST)
        return volume->Drive();
    return std::string();
}
