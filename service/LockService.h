// Vexa.exe /service: the lock service VexaLock, which holds every CD-ROM drive of the computer
// with the per-handle lock while the machine's LockAllDrives policy is 1, from the moment the
// service manager starts it (before anyone logs on). Its decisions are CDriveHolder's
// (drives/DriveHolder.h); here is only what ties them to the service manager: the control
// handler, the one loop that waits for its events and the policy key's changes, and the status
// reports.
#pragma once

#include <windows.h>

// Hands the process to the service manager, which runs the service until it stops; exitCode is
// then the process's (0, or 1 when the service manager refused the service). FALSE at once when
// the process was not started by the service manager (started by hand): the caller says so.
// Refer to StartServiceCtrlDispatcherW.
bool RunLockService(int* exitCode);
