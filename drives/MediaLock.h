// The one operation that touches hardware: asking a drive's storage driver to refuse or allow
// the removal of its medium, which disables or re-enables the drive's eject button.
#pragma once

#include <windows.h>

#include <string>

// Locks (lock non-zero) or unlocks (lock 0) the medium of driveName ("D:"); only the low byte
// of lock reaches the driver. The result is that of the prevent/allow request alone: non-zero
// when the driver accepted it. On zero, GetLastError gives the code of the open or of the
// request that failed. Keeps no state: two locks in a row are two requests to the driver.
BOOL SetMediaLock(const std::string& driveName, int lock);
