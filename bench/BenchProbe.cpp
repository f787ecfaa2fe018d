// The Windows side of the benchmark (scripts/bench.sh): starts a tray program, tells how long
// its icon took to appear in the notification area, and drives it from outside as the tests do,
// through its hidden windows: the icon's callback opens the tray menu, Escape closes it, the
// menu's settings command shows the settings window, WM_CLOSE hides it again.
//
//   BenchProbe start vexa|bare <exe>      prints "pid <id>" and "icon_ms <milliseconds>"
//   BenchProbe cycle vexa|bare <pid> <n> [menu|window]
//                                         n menu openings, then n show/hide cycles of the
//                                         window (or only the one named)
//   BenchProbe exit vexa|bare <pid>       ends the program through its Exit command
//   BenchProbe pairs <n> <exe> <exe> <arguments of the second>
//                                         n pairs of runs, one of each program right after
//                                         the other (the first of the pair alternating), each
//                                         timed from its start to its end; prints
//                                         "pair <ms first> <ms second>" for each
//
// Every wait is bounded; a wait that runs out ends the probe with exit code 1 and says what did
// not happen.
#include "BareTray.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// How the probe finds and drives one kind of tray program.
struct Profile {
    const char* settingsTitle;   // the settings dialog's title
    const char* trayClassPrefix; // the class of the icon's window, or nullptr: the dialog's
    UINT iconId;
    UINT callbackMessage;
    UINT settingsCommand;
    UINT exitCommand;
};

Profile VexaProfile()
{
    // As in app/SettingsDlg.cpp, res/resource.h and tray/SystemTray.cpp.
    return {"Vexa Settings", "Vexa:", 129,
            ::RegisterWindowMessageA("Brindle Corporation's Vexa Tray Notification Message"),
            32772, 32771};
}

Profile BareProfile()
{
    return {"BareTray Settings", nullptr, BARE_ICON_ID, BARE_TRAY_MESSAGE, ID_BARE_SETTINGS,
            ID_BARE_EXIT};
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "BenchProbe: %s\n", what);
    std::fflush(stderr);
    std::exit(1);
}

// Polls the condition every millisecond or so, at most for the given time.
template <class Condition>
bool WaitFor(Condition condition, DWORD milliseconds = 60000)
{
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > milliseconds)
            return condition();
        ::Sleep(1);
    }
    return true;
}

struct Search {
    DWORD processId;
    const char* className;  // exact class, or nullptr
    const char* classStart; // class prefix, or nullptr
    const char* title;      // exact title, or nullptr
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM lparam)
{
    Search* search = reinterpret_cast<Search*>(lparam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    char className[256] = "";
    ::GetClassNameA(window, className, sizeof(className));
    if (search->className != nullptr && std::strcmp(className, search->className) != 0)
        return TRUE;
    if (search->classStart != nullptr &&
        std::strncmp(className, search->classStart, std::strlen(search->classStart)) != 0)
        return TRUE;
    if (search->title != nullptr) {
        char title[256] = "";
        ::GetWindowTextA(window, title, sizeof(title));
        if (std::strcmp(title, search->title) != 0)
            return TRUE;
    }
    if (search->visibleOnly && !::IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND Find(DWORD processId, const char* className, const char* classStart, const char* title,
          bool visibleOnly = false)
{
    Search search = {processId, className, classStart, title, visibleOnly, nullptr};
    ::EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND SettingsWindow(const Profile& profile, DWORD processId)
{
    return Find(processId, "#32770", nullptr, profile.settingsTitle);
}

HWND TrayWindow(const Profile& profile, DWORD processId)
{
    if (profile.trayClassPrefix == nullptr)
        return SettingsWindow(profile, processId);
    return Find(processId, nullptr, profile.trayClassPrefix, nullptr);
}

HWND ShownMenu(DWORD processId)
{
    return Find(processId, "#32768", nullptr, nullptr, true);
}

// TRUE while the shell holds an icon of this window and identifier: it accepts a change only
// for an icon it holds.
bool TrayHasIcon(HWND window, UINT id)
{
    if (window == nullptr)
        return false;
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = window;
    data.uID = id;
    data.uFlags = 0;
    return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// Returns once the window has handled every message sent before; false when it did not answer.
bool Settle(HWND window)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
}

int Start(const Profile& profile, const char* executable)
{
    std::string commandLine = std::string("\"") + executable + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, started, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&started);
    if (!::CreateProcessA(executable, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        Fail("the program did not start");
    const DWORD id = process.dwProcessId;
    ::CloseHandle(process.hThread);
    const bool shown = WaitFor([&] { return TrayHasIcon(TrayWindow(profile, id), profile.iconId); });
    ::QueryPerformanceCounter(&now);
    if (!shown) {
        ::TerminateProcess(process.hProcess, 1);
        Fail("the icon did not appear in the notification area within a minute");
    }
    ::CloseHandle(process.hProcess);
    const double milliseconds =
        static_cast<double>(now.QuadPart - started.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    // The start is over once the settings window answers: what follows the icon is done too.
    if (!Settle(SettingsWindow(profile, id)))
        Fail("the settings window did not answer after the start");
    std::printf("pid %lu\nicon_ms %.3f\n", static_cast<unsigned long>(id), milliseconds);
    return 0;
}

int Cycle(const Profile& profile, DWORD id, int count, const std::string& only)
{
    HWND settings = SettingsWindow(profile, id);
    HWND tray = TrayWindow(profile, id);
    if (settings == nullptr || tray == nullptr)
        Fail("the program's windows are not there");

    for (int i = 0; only != "window" && i < count; ++i) {
        // A right click on the icon, as the shell reports it; Escape closes the menu.
        ::PostMessageA(tray, profile.callbackMessage, profile.iconId, WM_RBUTTONUP);
        HWND menu = nullptr;
        if (!WaitFor([&] { return (menu = ShownMenu(id)) != nullptr; }, 10000))
            Fail("the tray menu did not open");
        // Drawn every time, as the user sees it: the program's work does not depend on how
        // soon the probe closes the menu again.
        ::UpdateWindow(menu);
        ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        if (!WaitFor([&] { return ShownMenu(id) == nullptr; }, 10000))
            Fail("the tray menu did not close");
        if (!Settle(settings))
            Fail("the settings window did not answer after the menu");
    }
    for (int i = 0; only != "menu" && i < count; ++i) {
        ::SendMessageA(settings, WM_COMMAND, profile.settingsCommand, 0);
        if (!::IsWindowVisible(settings))
            Fail("the settings command did not show the settings window");
        ::RedrawWindow(settings, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        ::SendMessageA(settings, WM_CLOSE, 0, 0);
        if (::IsWindowVisible(settings))
            Fail("closing the settings window did not hide it");
    }
    std::printf("cycles %d\n", count);
    return 0;
}

int Exit(const Profile& profile, DWORD id)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
    if (process == nullptr)
        Fail("the program is not running");
    HWND settings = SettingsWindow(profile, id);
    if (settings != nullptr)
        ::PostMessageA(settings, WM_COMMAND, profile.exitCommand, 0);
    if (::WaitForSingleObject(process, 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 30000);
        ::CloseHandle(process);
        Fail("the program did not end through its Exit command");
    }
    ::CloseHandle(process);
    return 0;
}

// Runs the program with the command line to its end; the milliseconds it took. Its output goes
// to NUL: the time to write one line is the program's, the time to show it a terminal's.
double TimedRun(const std::string& exe, std::string commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE nul = ::CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process))
        Fail("a program of the pair did not start");
    if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0)
        Fail("a program of the pair did not end");
    ::QueryPerformanceCounter(&end);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(nul);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

int Pairs(int count, const std::string& first, const std::string& second, const std::string& arguments)
{
    const std::string lines[] = {"\"" + first + "\"", "\"" + second + "\" " + arguments};
    const std::string exes[] = {first, second};
    for (int i = 0; i < count; ++i) {
        double ms[2];
        for (int j = 0; j < 2; ++j) {
            const int which = i % 2 == 0 ? j : 1 - j;
            ms[which] = TimedRun(exes[which], lines[which]);
        }
        std::printf("pair %.1f %.1f\n", ms[0], ms[1]);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 6 && std::string(argv[1]) == "pairs")
        return Pairs(std::atoi(argv[2]), argv[3], argv[4], argv[5]);
    if (argc < 4)
        Fail("usage: BenchProbe start|cycle|exit vexa|bare <exe>|<pid> [count]");
    const std::string command = argv[1];
    const std::string kind = argv[2];
    if (kind != "vexa" && kind != "bare")
        Fail("the kind of program is vexa or bare");
    const Profile profile = kind == "vexa" ? VexaProfile() : BareProfile();
    if (command == "start")
        return Start(profile, argv[3]);
    const DWORD id = static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10));
    if (command == "cycle" && argc >= 5)
        return Cycle(profile, id, std::atoi(argv[4]), argc >= 6 ? argv[5] : "");
    if (command == "exit")
        return Exit(profile, id);
    Fail("unknown command");
}
