#include "CommandProcess.h"

#include "CommandLine.h"
#include "CommandMessage.h"
#include "RunningVexa.h"
#include "drives/DriveLocks.h"
#include "drives/SettingsStore.h"
#include "framework/SystemFunction.h"
#include "framework/UniqueHandle.h"
#include "res/resource.h"
#include "service/LockService.h"

#include <string>
#include <vector>

namespace {

const wchar_t kDrivesMutex[] = L"Local\\Brindle Corporation Vexa Drives";
// How long a command waits for a Vexa that is starting, and for the running Vexa's answer;
// only a Vexa that hangs takes this long.
const DWORD kAnswerWaitMs = 30000;

// The command's output: to the standard output and error the process inherited (a pipe, a
// file, a console), and where it inherited none, to the console of the program that started it.
class CCommandOutput {
public:
    CCommandOutput()
        : m_out(Inherited(STD_OUTPUT_HANDLE)), m_error(Inherited(STD_ERROR_HANDLE))
    {
    }

    void Out(const std::string& text) { Write(m_out, text); }
    void Error(const std::string& text) { Write(m_error, text); }

private:
    // A standard handle that leads somewhere, or nullptr. A GUI program started from a console
    // inherits the console's handles, which do not work in it.
    static HANDLE Inherited(DWORD which)
    {
        HANDLE handle = ::GetStdHandle(which);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
            ::GetFileType(handle) == FILE_TYPE_UNKNOWN)
            return nullptr;
        return handle;
    }

    // Refer to AttachConsole and WriteConsoleW, and to WriteFile.
    void Write(HANDLE& handle, const std::string& text)
    {
        if (handle == nullptr) {
            if (!m_attached) {
                m_attached = true;
                if (::AttachConsole(ATTACH_PARENT_PROCESS))
                    m_console.Reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
            }
            handle = m_console.Get();
            if (handle == INVALID_HANDLE_VALUE)
                return;
        }
        DWORD mode = 0;
        DWORD written = 0;
        if (::GetConsoleMode(handle, &mode)) {
            const std::vector<wchar_t> wide(text.begin(), text.end()); // the texts are ASCII
            ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                            nullptr);
        } else {
            ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
    }

    HANDLE m_out;
    HANDLE m_error;
    bool m_attached = false;
    CFileHandle m_console;
};

// The command process's window for the running Vexa's answer: message-only, never shown.
class CAnswerWindow {
public:
    explicit CAnswerWindow(HWND vexa) : m_vexa(vexa)
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Vexa Command Answer";
        ::RegisterClassW(&windowClass);
        m_window.Reset(::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0,
                                         HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr));
        if (!m_window)
            return;
        ::SetWindowLongPtrW(m_window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // An elevated command still hears the Vexa of the user, which runs at a lower level.
        // Windows 7 brought the per-window filter; a Windows without it (ReactOS, which reports
        // itself as 5.2) has no message integrity levels to filter by.
        using ChangeFilterFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, PCHANGEFILTERSTRUCT);
        const auto changeFilter = AfxFindSystemFunction<ChangeFilterFunction>(
            "user32.dll", "ChangeWindowMessageFilterEx");
        if (changeFilter != nullptr)
            changeFilter(m_window.Get(), WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    }

    // Gives the running Vexa the command; TRUE when it answered, with the answers.
    bool Send(const CommandRequest& request, std::vector<DriveAnswer>* answers)
    {
        if (!m_window)
            return false;
        COPYDATASTRUCT data = {kCommandRequestTag, sizeof(request),
                               const_cast<CommandRequest*>(&request)};
        DWORD_PTR result = 0;
        // The answer comes as a message to this thread while it waits here.
        ::SendMessageTimeoutW(m_vexa, WM_COPYDATA, reinterpret_cast<WPARAM>(m_window.Get()),
                              reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, kAnswerWaitMs, &result);
        answers->swap(m_answers);
        return m_answered;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
    {
        auto* self = reinterpret_cast<CAnswerWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        // Only the first answer of the Vexa that was asked counts.
        if (message == WM_COPYDATA && self != nullptr && !self->m_answered &&
            reinterpret_cast<HWND>(wparam) == self->m_vexa &&
            ReadCommandAnswers(reinterpret_cast<const COPYDATASTRUCT*>(lparam), &self->m_answers)) {
            self->m_answered = true;
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wparam, lparam);
    }

    HWND m_vexa;
    CUniqueHandle<WindowTraits> m_window;
    bool m_answered = false;
    std::vector<DriveAnswer> m_answers;
};

// The running Vexa's settings window once its start is over, or nullptr. Its template's last
// control exists from then on: a message sent to it is handled after its drives are known.
HWND RunningVexa(bool* starting)
{
    HWND vexa = FindRunningVexa();
    *starting = vexa != nullptr && ::GetDlgItem(vexa, IDC_DONATE) == nullptr;
    return *starting ? nullptr : vexa;
}

int Run(const ParsedCommand& parsed, CCommandOutput& output)
{
    if (parsed.kind == ParsedCommand::Help) {
        output.Out(kCommandUsage);
        return kExitDone;
    }
    if (parsed.kind == ParsedCommand::Usage) {
        output.Error(std::string("Vexa: ") + parsed.problem + "\r\n" + kCommandUsage);
        return kExitUsage;
    }

    const CKernelHandle drivesMutex(::CreateMutexW(nullptr, FALSE, kDrivesMutex));
    const ULONGLONG end = ::GetTickCount64() + kAnswerWaitMs;
    std::vector<DriveAnswer> answers;
    for (;;) {
        if (::GetTickCount64() >= end) {
            output.Error("Vexa: the running Vexa did not answer.\r\n");
            return kExitRefused;
        }
        // A free mutex: no Vexa runs or starts, and no other command works alone. The command
        // then needs none of the window libraries. Without a mutex (the platform refused one)
        // the window alone has to tell.
        const DWORD waited =
            drivesMutex ? ::WaitForSingleObject(drivesMutex.Get(), 0) : WAIT_TIMEOUT;
        bool starting = false;
        HWND vexa = nullptr;
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
            vexa = RunningVexa(&starting);
        if (vexa != nullptr) {
            if (CAnswerWindow(vexa).Send(parsed.request, &answers))
                break;
            if (::IsWindow(vexa)) {
                output.Error("Vexa: the running Vexa did not take the command.\r\n");
                return kExitRefused;
            }
        } else if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED ||
                   (!drivesMutex && !starting)) {
            answers = CarryOutAlone(parsed.request);
            if (drivesMutex)
                ::ReleaseMutex(drivesMutex.Get());
            break;
        } else {
            ::Sleep(20); // a Vexa is starting, or another command works alone
        }
    }
    std::string lines;
    for (const DriveAnswer& answer : answers)
        lines += AnswerLine(parsed.request, answer) + "\r\n";
    output.Out(lines);
    return CommandExitCode(answers);
}

} // namespace

std::vector<DriveAnswer> CarryOutAlone(const CommandRequest& request)
{
    CSettingsStore store(kVexaSettingsKey);
    CDriveLocks locks(store);
    DriveLockOutcome outcome;
    if (request.kind == kCommandStatus) {
        locks.Survey();
        return CarryOutCommand(locks, request, &outcome, true);
    }
    locks.Start();
    return CarryOutCommand(locks, request, &outcome);
}

BOOL RunCommandLine(int* exitCode)
{
    std::vector<CWideString> arguments = SplitCommandLine(::GetCommandLineW());
    if (!arguments.empty())
        arguments.erase(arguments.begin()); // the program's name
    const ParsedCommand parsed = ParseCommand(arguments);
    if (parsed.kind == ParsedCommand::Service) {
        // The service manager runs the service; by hand it would hold nothing for anyone.
        if (!RunLockService(exitCode)) {
            CCommandOutput().Error(
                "Vexa: /service is the lock service VexaLock, which the service manager starts "
                "(sc start VexaLock); it does not run by hand.\r\n");
            *exitCode = kExitUsage;
        }
        return TRUE;
    }
    if (parsed.kind != ParsedCommand::Start) {
        CCommandOutput output;
        *exitCode = Run(parsed, output);
        return TRUE;
    }

    // A normal start: a command working alone finishes first. A Vexa that runs holds the mutex
    // for good, so a second start only waits until the first one's window is there.
    static CKernelHandle drivesMutex;
    drivesMutex.Reset(::CreateMutexW(nullptr, FALSE, kDrivesMutex));
    const ULONGLONG end = ::GetTickCount64() + kAnswerWaitMs;
    while (drivesMutex && FindRunningVexa() == nullptr) {
        const DWORD waited = ::WaitForSingleObject(drivesMutex.Get(), 50);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED || ::GetTickCount64() >= end)
            break;
    }
    return FALSE;
}
