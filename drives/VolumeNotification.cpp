#include "VolumeNotification.h"

#include "MediaLockPlatform.h"

#include <initguid.h> // the events' identifiers are defined here, once
#include <ioevent.h>

#include <algorithm>
#include <cstddef>

CVolumeNotification::CVolumeNotification(const std::string& drive, HWND recipient)
    : m_drive(drive), m_recipient(recipient)
{
    Open();
}

void CVolumeNotification::Open()
{
    if (m_volume)
        return;
    Close();
    // No access rights: the handle reads nothing and writes nothing; it only names the volume.
    const std::string path = "\\\\.\\" + m_drive;
    CFileHandle volume(g_mediaLockPlatform.createFile(path.c_str(), 0,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
    if (!volume)
        return;
    DEV_BROADCAST_HANDLE filter = {};
    filter.dbch_size = sizeof(filter);
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = volume.Get();
    CDeviceNotifyHandle notify(
        ::RegisterDeviceNotificationA(m_recipient, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    // A handle that no notification names would only be in the way.
    if (!notify)
        return;
    m_registered = volume.Get();
    m_volume = std::move(volume);
    m_notify = std::move(notify);
}

void CVolumeNotification::Close()
{
    m_notify.Reset();
    m_volume.Reset();
    m_registered = nullptr;
}

void CVolumeNotifications::Follow(const std::vector<std::string>& drives, HWND recipient)
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
