#include "VexaProcess.h"

#include "support/TestSupport.h"

#include "res/resource.h"

#include <vector>

std::string TestDirectory()
{
    char path[MAX_PATH * 4] = "";
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string directory = path;
    return directory.substr(0, directory.find_last_of('\\'));
}

void FreshAccountTest::Forget()
{
    DeleteProgramKey();
    // Not RegDeleteKeyValueA: the ReactOS test runs this on a Windows without it.
    HKEY run = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                        0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
        ::RegDeleteValueA(run, "Vexa");
        ::RegCloseKey(run);
    }
}

VexaProcess::VexaProcess(const std::string& workingDirectory, const std::string& executable)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string commandLine = "\"" + executable + "\"";
    PROCESS_INFORMATION started = {};
    if (::CreateProcessA(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                         &started))
        Own(started);
}

VexaProcess::VexaProcess(const std::wstring& executable)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + executable + L"\"";
    PROCESS_INFORMATION started = {};
    if (::CreateProcessW(executable.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &started))
        Own(started);
}

void VexaProcess::Own(const PROCESS_INFORMATION& started)
{
    m_process.Reset(started.hProcess);
    m_thread.Reset(started.hThread);
    m_id = started.dwProcessId;
}

VexaProcess::~VexaProcess()
{
    if (!Started())
        return;
    if (Running()) {
        HWND box = MessageBox();
        if (box != nullptr)
            PressOk(box);
        HWND settings = SettingsWindow();
        if (settings != nullptr)
            ::PostMessageA(settings, WM_COMMAND, 32771 /* Exit */, 0);
        const ::testing::AssertionResult ended = WaitForExit();
        if (!ended) {
            ADD_FAILURE() << "Vexa did not end on Exit: " << ended.message();
            ::TerminateProcess(m_process.Get(), 1);
            EXPECT_TRUE(WaitForObject(m_process.Get(), "Vexa to end when terminated"));
        }
    }
}

bool VexaProcess::Running() const
{
    return Started() && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

namespace {

struct Search {
    DWORD processId;
    const char* className;  // exact class, or nullptr
    const char* classStart; // class prefix, or nullptr
    const char* title;      // exact title, or nullptr
    bool visible;           // only a window that shows
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM lparam)
{
    Search* search = reinterpret_cast<Search*>(lparam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (search->processId != 0 && owner != search->processId)
        return TRUE;
    const std::string className = ClassName(window);
    if (search->className != nullptr && className != search->className)
        return TRUE;
    if (search->classStart != nullptr && className.rfind(search->classStart, 0) != 0)
        return TRUE;
    if (search->title != nullptr && WindowText(window) != search->title)
        return TRUE;
    if (search->visible && !::IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND Find(DWORD processId, const char* className, const char* classStart, const char* title,
          bool visible = false)
{
    Search search = {processId, className, classStart, title, visible, nullptr};
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CountSettings(HWND window, LPARAM lparam)
{
    if (ClassName(window) == "#32770" && WindowText(window) == "Vexa Settings")
        ++*reinterpret_cast<int*>(lparam);
    return TRUE;
}

} // namespace

HWND VexaProcess::SettingsWindow() const
{
    return Find(Id(), "#32770", nullptr, "Vexa Settings");
}

HWND VexaProcess::TrayWindow() const
{
    return Find(Id(), nullptr, "Vexa:", nullptr);
}

HWND VexaProcess::ShownMenu() const
{
    return Find(Id(), "#32768", nullptr, nullptr, true);
}

HWND VexaProcess::MessageBox() const
{
    // The box's window exists a moment before its text does: report it once it can be read.
    HWND box = Find(Id(), "#32770", nullptr, "Vexa");
    return box != nullptr && !MessageBoxText(box).empty() ? box : nullptr;
}

::testing::AssertionResult VexaProcess::WaitForStart()
{
    if (!Started())
        return ::testing::AssertionFailure() << "Vexa.exe did not start";
    // The donation button is the template's last control.
    ::testing::AssertionResult created = WaitFor(
        [&] { return SettingsWindow() != nullptr && ::GetDlgItem(SettingsWindow(), IDC_DONATE) != nullptr; },
        "Vexa's settings window with its controls");
    if (created)
        ::SendMessageA(SettingsWindow(), WM_NULL, 0, 0);
    return created;
}

::testing::AssertionResult VexaProcess::WaitForExit(DWORD* exitCode)
{
    ::testing::AssertionResult ended = WaitForObject(m_process.Get(), "Vexa to end");
    if (ended && exitCode != nullptr)
        ::GetExitCodeProcess(m_process.Get(), exitCode);
    return ended;
}

void VexaProcess::Command(UINT id)
{
    ::SendMessageA(SettingsWindow(), WM_COMMAND, id, 0);
}

namespace {

void CALLBACK Handled(HWND, UINT, ULONG_PTR handled, LRESULT)
{
    *reinterpret_cast<bool*>(handled) = true;
}

} // namespace

::testing::AssertionResult VexaProcess::Choose(UINT id)
{
    bool handled = false;
    ::SendMessageCallbackA(SettingsWindow(), WM_COMMAND, id, 0, Handled,
                           reinterpret_cast<ULONG_PTR>(&handled));
    const ::testing::AssertionResult over = WaitFor(
        [&] {
            PumpMessages();
            return handled || MessageBox() != nullptr;
        },
        "Vexa to handle command " + std::to_string(id));
    if (!over)
        return over;
    return NoMessageBox();
}

::testing::AssertionResult VexaProcess::NoMessageBox()
{
    HWND box = MessageBox();
    if (box == nullptr)
        return ::testing::AssertionSuccess();
    const std::string text = MessageBoxText(box);
    PressOk(box);
    return ::testing::AssertionFailure() << "Vexa showed the message \"" << text << "\"";
}

::testing::AssertionResult VexaProcess::Exit()
{
    ::PostMessageA(SettingsWindow(), WM_COMMAND, 32771 /* Exit */, 0);
    return WaitForExit();
}

CommandRun RunProgram(const std::string& program, const std::string& arguments)
{
    CommandRun run = {static_cast<DWORD>(-1), ""};
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    CKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 64 * 1024)) {
        ADD_FAILURE() << "no pipe for the command's output";
        return run;
    }
    ::SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd.Get();
    std::string commandLine = "\"" + program + "\" " + arguments;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started)) {
        ADD_FAILURE() << program << " " << arguments << " did not start";
        return run;
    }
    const CKernelHandle process(started.hProcess), thread(started.hThread);
    writeEnd.Reset();
    // The output is far below the pipe's size: the program never waits for this reader.
    const ::testing::AssertionResult ended =
        WaitForObject(process.Get(), program + " " + arguments + " to end");
    if (!ended) {
        ADD_FAILURE() << ended.message();
        ::TerminateProcess(process.Get(), 1);
        return run;
    }
    ::GetExitCodeProcess(process.Get(), &run.exitCode);
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        run.output.append(buffer, read);
    return run;
}

std::string MessageBoxText(HWND box)
{
    return WindowText(::GetDlgItem(box, 0xFFFF));
}

void PressOk(HWND box)
{
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

int CountSettingsWindows()
{
    int count = 0;
    ::EnumWindows(CountSettings, reinterpret_cast<LPARAM>(&count));
    return count;
}
