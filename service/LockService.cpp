// The service's two threads: the service manager calls the control handler on the process's
// first thread (inside StartServiceCtrlDispatcherW), and ServiceMain on a thread of its own.
// The handler only records what came and signals; every decision, request and status report is
// made by the one loop on ServiceMain's thread. The handler runs no C++ code that could throw,
// so the runtime's exception support still serves one thread at a time (framework/OneThread.cpp).
#include <windows.h>

#include <initguid.h> // the device interfaces' identifiers are defined here, once
#include <winioctl.h>

#include "LockService.h"

#include "PolicyWatch.h"
#include "drives/DriveHolder.h"
#include "drives/LockServiceState.h"
#include "framework/UniqueHandle.h"

#include <dbt.h>

#include <cstring>

namespace {

// How long the handler waits for the loop to answer an event of a held handle; Windows waits
// for the answer (a removal is refused while a handle stays open), and only a loop that hangs
// takes this long.
const DWORD kAnswerWaitMs = 20000;
// The wait hint of each stop report: letting go of every drive takes a few requests.
const DWORD kStopWaitHintMs = 5000;

// An unnamed event. Refer to CreateEventW.
CKernelHandle NewEvent(bool manualReset)
{
    return CKernelHandle(::CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr));
}

// A lock for the one device event the handler passes to the loop. Refer to
// InitializeCriticalSection.
class CEventSlotLock {
public:
    CEventSlotLock() { ::InitializeCriticalSection(&m_section); }
    ~CEventSlotLock() { ::DeleteCriticalSection(&m_section); }
    CEventSlotLock(const CEventSlotLock&) = delete;
    CEventSlotLock& operator=(const CEventSlotLock&) = delete;
    void Enter() { ::EnterCriticalSection(&m_section); }
    void Leave() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

class CLockService {
public:
    // ServiceMain's work: from the first report to SERVICE_STOPPED.
    void Run();

    // Refer to LPHANDLER_FUNCTION_EX.
    static DWORD WINAPI Handler(DWORD control, DWORD type, LPVOID data, LPVOID context);

private:
    // The service's state to the service manager. Refer to SetServiceStatus.
    void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0);

    // Everything between the start and the stop; the exit code the service stops with.
    DWORD Serve();

    // Takes the device event the handler left, and answers it.
    void TakeDeviceEvent(CDriveHolder& holder);

    SERVICE_STATUS_HANDLE m_status = nullptr;
    DWORD m_checkPoint = 0;
    CKernelHandle m_stop = NewEvent(true);           // stop or shutdown asked for
    CKernelHandle m_policyChanged = NewEvent(false); // the policy key changed
    CKernelHandle m_device = NewEvent(false);        // a device event waits in the slot
    CKernelHandle m_answered = NewEvent(false);      // the loop answered it
    CKernelHandle m_loopDone = NewEvent(true);       // nothing answers any more

    CEventSlotLock m_slotLock;
    DWORD m_slotEvent = 0;
    // A copy of the event's record: a handle event's header, handle, registration and event
    // identifier fit; a longer record is cut, as nothing after that is read.
    union {
        DEV_BROADCAST_HDR header;
        BYTE bytes[sizeof(DEV_BROADCAST_HANDLE) + 64];
    } m_slot = {};
};

CLockService* g_service = nullptr; // the one service of the process, for ServiceMain

void CLockService::Report(DWORD state, DWORD exitCode, DWORD waitHint)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    // A state that takes time shows its progress; a settled one has none.
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? ++m_checkPoint : 0;
    status.dwWaitHint = waitHint;
    ::SetServiceStatus(m_status, &status);
}

DWORD WINAPI CLockService::Handler(DWORD control, DWORD type, LPVOID data, LPVOID context)
{
    auto* self = static_cast<CLockService*>(context);
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        ::SetEvent(self->m_stop.Get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR; // the last report stands
    case SERVICE_CONTROL_DEVICEEVENT:
        break;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    const auto* header = static_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr || header->dbch_size < sizeof(DEV_BROADCAST_HDR))
        return NO_ERROR;
    self->m_slotLock.Enter();
    self->m_slotEvent = type;
    std::memset(self->m_slot.bytes, 0, sizeof(self->m_slot.bytes));
    std::memcpy(self->m_slot.bytes, data,
                header->dbch_size < sizeof(self->m_slot.bytes) ? header->dbch_size
                                                               : sizeof(self->m_slot.bytes));
    self->m_slot.header.dbch_size = header->dbch_size < sizeof(self->m_slot.bytes)
                                        ? header->dbch_size
                                        : static_cast<DWORD>(sizeof(self->m_slot.bytes));
    ::ResetEvent(self->m_answered.Get());
    ::SetEvent(self->m_device.Get());
    self->m_slotLock.Leave();
    // A query-remove or a volume lock must find the handle closed when this returns: the loop
    // answers first. The events are waited for one at a time, as the service manager calls
    // this handler for one control at a time.
    const HANDLE answers[] = {self->m_answered.Get(), self->m_loopDone.Get()};
    ::WaitForMultipleObjects(2, answers, FALSE, kAnswerWaitMs);
    return NO_ERROR;
}

void CLockService::TakeDeviceEvent(CDriveHolder& holder)
{
    m_slotLock.Enter();
    const DWORD event = m_slotEvent;
    decltype(m_slot) slot = m_slot;
    m_slotLock.Leave();
    if (slot.header.dbch_devicetype == DBT_DEVTYP_HANDLE)
        holder.DeviceEvent(event, slot.bytes);
    else if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE)
        holder.DrivesChanged(); // a CD-ROM drive or a volume came or went
    ::SetEvent(m_answered.Get());
}

DWORD CLockService::Serve()
{
    if (!m_stop || !m_policyChanged || !m_device || !m_answered || !m_loopDone)
        return ::GetLastError();
    // The drives that come and go: CD-ROM drives, and the volumes their drive letters name.
    CDeviceNotifyHandle drives[2];
    const GUID interfaces[2] = {GUID_DEVINTERFACE_CDROM, GUID_DEVINTERFACE_VOLUME};
    for (int i = 0; i < 2; ++i) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaces[i];
        drives[i].Reset(
            ::RegisterDeviceNotificationW(m_status, &filter, DEVICE_NOTIFY_SERVICE_HANDLE));
        // Without it a drive that comes would stay open: the service does not run half-blind.
        if (!drives[i])
            return ::GetLastError();
    }
    CPolicyWatch policy(m_policyChanged.Get());
    const LONG armed = policy.Arm();
    if (armed != ERROR_SUCCESS)
        return static_cast<DWORD>(armed);

    CDriveHolder holder(m_status, DEVICE_NOTIFY_SERVICE_HANDLE);
    holder.PolicyChanged();
    Report(SERVICE_RUNNING);

    const HANDLE waits[] = {m_stop.Get(), m_policyChanged.Get(), m_device.Get()};
    DWORD exitCode = NO_ERROR;
    for (;;) {
        const DWORD woken = ::WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 + 1) {
            // Armed again before reading, so that a change while reading is not missed.
            const LONG again = policy.Arm();
            holder.PolicyChanged();
            if (again != ERROR_SUCCESS) {
                exitCode = static_cast<DWORD>(again);
                break;
            }
        } else if (woken == WAIT_OBJECT_0 + 2) {
            TakeDeviceEvent(holder);
        } else {
            if (woken != WAIT_OBJECT_0)
                exitCode = ::GetLastError();
            break;
        }
    }
    Report(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHintMs);
    ::SetEvent(m_loopDone.Get());
    holder.Stop();
    return exitCode;
}

void CLockService::Run()
{
    m_status = ::RegisterServiceCtrlHandlerExW(kLockServiceName, Handler, this);
    // Without a status handle nothing can be reported, not even a stop.
    if (m_status == nullptr)
        return;
    Report(SERVICE_START_PENDING, NO_ERROR, kStopWaitHintMs);
    DWORD exitCode = NO_ERROR;
    try {
        exitCode = Serve();
    } catch (...) {
        // The drives were let go as the holder went; the stop says what happened.
        exitCode = ERROR_NOT_ENOUGH_MEMORY;
    }
    ::SetEvent(m_loopDone.Get());
    Report(SERVICE_STOPPED, exitCode);
}

// Refer to LPSERVICE_MAIN_FUNCTIONW.
void WINAPI ServiceMain(DWORD, LPWSTR*)
{
    g_service->Run();
}

} // namespace

bool RunLockService(int* exitCode)
{
    CLockService service;
    g_service = &service;
    // The table wants a name it may write to; a service of its own process is not looked up
    // by it.
    wchar_t name[sizeof(kLockServiceName) / sizeof(wchar_t)];
    std::memcpy(name, kLockServiceName, sizeof(name));
    const SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    const BOOL dispatched = ::StartServiceCtrlDispatcherW(table);
    const DWORD error = ::GetLastError();
    g_service = nullptr;
    *exitCode = dispatched ? 0 : 1;
    return dispatched || error != ERROR_FAILED_SERVICE_CONTROLLER_CONNECT;
}
