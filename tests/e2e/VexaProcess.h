// Starts the built Vexa.exe in the test's Wine prefix and finds its windows from outside, the
// way the shell and the user see them.
#pragma once

#include <windows.h>

#include <string>

// The folder of the running test executable; Vexa.exe is built next to it.
std::string TestDirectory();

// Polls the condition until it holds. A guard of five minutes keeps a broken build from hanging
// the run; it is not a measure of speed.
template <class Condition>
bool WaitFor(Condition condition)
{
    for (int i = 0; i < 15000; ++i) {
        if (condition())
            return true;
        ::Sleep(20);
    }
    return condition();
}

class VexaProcess {
public:
    // Starts the executable (by default the built Vexa.exe) in the given working directory
    // (by default the test's own).
    explicit VexaProcess(const std::string& workingDirectory = std::string(),
                         const std::string& executable = TestDirectory() + "\\Vexa.exe");
    // Starts an executable whose path may hold any character, in the test's working directory.
    explicit VexaProcess(const std::wstring& executable);
    // Ends the process if it still runs: through Exit when it can, else by force.
    ~VexaProcess();
    VexaProcess(const VexaProcess&) = delete;
    VexaProcess& operator=(const VexaProcess&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    bool Running() const;
    DWORD Id() const { return m_process.dwProcessId; }

    // This process's top-level windows; nullptr while there is none.
    HWND SettingsWindow() const; // the settings dialog, hidden or not
    HWND TrayWindow() const;     // the tray icon's hidden window
    HWND MessageBox() const;     // a message box captioned "Vexa", once it shows its text

    // Waits (see WaitFor) for the process to end; its exit code goes to *exitCode.
    bool WaitForExit(DWORD* exitCode = nullptr);

    // Sends a menu command to the settings dialog and returns once it has been handled.
    void Command(UINT id);

private:
    PROCESS_INFORMATION m_process = {};
};

// The text of a message box, and a press of its OK button.
std::string MessageBoxText(HWND box);
void PressOk(HWND box);

// Every visible or hidden top-level window titled "Vexa Settings" of the dialog class.
int CountSettingsWindows();
