#include "MediaLockPlatform.h"

MediaLockPlatform g_mediaLockPlatform = {::CreateFileA, ::DeviceIoControl, ::CloseHandle};
