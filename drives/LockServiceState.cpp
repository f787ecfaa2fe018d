#include "LockServiceState.h"

#include "framework/UniqueHandle.h"

#include <windows.h>

namespace {

// A handle of the service manager or of a service. Refer to CloseServiceHandle.
struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static BOOL Close(Handle handle) { return ::CloseServiceHandle(handle); }
};
using CServiceHandle = CUniqueHandle<ServiceHandleTraits>;

} // namespace

bool LockServiceRunning()
{
    // Connecting and reading a service's state are rights every user has.
    const CServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    const CServiceHandle service(
        ::OpenServiceW(manager.Get(), kLockServiceName, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    if (!service || !::QueryServiceStatus(service.Get(), &status))
        return false;
    return status.dwCurrentState != SERVICE_STOPPED;
}
