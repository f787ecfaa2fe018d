#include "MediaLock.h"

#include "MediaLockPlatform.h"
#include "framework/UniqueHandle.h"

#include <winioctl.h>

BOOL SetMediaLock(const std::string& driveName, int lock)
{
    const std::string path = "\\\\.\\" + driveName;
    // Shared read and write access: the request must get through while other programs use the
    // drive.
    CFileHandle device(g_mediaLockPlatform.createFile(path.c_str(), GENERIC_READ,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                      nullptr));
    if (!device)
        return FALSE;

    DWORD returned = 0;
    // Locking the volume is a courtesy to programs that have files open on it; the
    // media-removal request goes out whether or not it succeeds.
    g_mediaLockPlatform.deviceIoControl(device.Get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0,
                                        &returned, nullptr);

    PREVENT_MEDIA_REMOVAL request;
    request.PreventMediaRemoval = static_cast<BOOLEAN>(lock & 0xFF);
    const BOOL accepted = g_mediaLockPlatform.deviceIoControl(
        device.Get(), IOCTL_STORAGE_MEDIA_REMOVAL, &request, sizeof(request), nullptr, 0, &returned,
        nullptr);
    // The user is shown the code of the refused request, not whatever the clean-up leaves.
    const DWORD error = accepted ? ERROR_SUCCESS : ::GetLastError();

    g_mediaLockPlatform.deviceIoControl(device.Get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0,
                                        &returned, nullptr);
    // The device is closed before the error is set again: closing may change the last error.
    device.Reset();

    if (!accepted)
        ::SetLastError(error);
    return accepted;
}
