// What a user's Vexa knows of the lock service (Vexa.exe /service): whether it runs. The
// service manager keeps the service's state, any user may read it, and only the service itself
// can set it; no message that another program could send takes part.
#pragma once

// The service's name under the service manager.
constexpr const wchar_t kLockServiceName[] = L"VexaLock";

// TRUE while the lock service runs (or is starting or stopping: it may hold drives then).
// FALSE when it is not installed, is stopped, or its state cannot be read. Refer to
// OpenSCManagerW, OpenServiceW and QueryServiceStatus.
bool LockServiceRunning();
