// Starts the built Vexa.exe in the test's Wine prefix and finds its windows from outside, the
// way the shell and the user see them.
#pragma once

#include "support/Wait.h"

#include "framework/UniqueHandle.h"

#include <windows.h>

#include <string>

// The folder of the running test executable; Vexa.exe is built next to it.
std::string TestDirectory();

// A test of the built program on a fresh account: neither the program's key nor its autostart
// entry is there when the test starts, and what the test left goes when it ends, so that no
// test sees what another one stored.
class FreshAccountTest : public ::testing::Test {
protected:
    void SetUp() override { Forget(); }
    void TearDown() override { Forget(); }

private:
    static void Forget();
};

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

    bool Started() const { return m_process.Get() != nullptr; }
    bool Running() const;
    DWORD Id() const { return m_id; }

    // This process's top-level windows; nullptr while there is none.
    HWND SettingsWindow() const; // the settings dialog, hidden or not
    HWND TrayWindow() const;     // the tray icon's hidden window
    HWND ShownMenu() const;      // the tray menu's pop-up, while it shows
    HWND MessageBox() const;     // a message box captioned "Vexa", once it shows its text

    // Waits (see WaitFor) until Vexa's start is over. Vexa puts its icon up before the settings
    // window has its controls, and answers messages sent to it while it talks to the shell;
    // once the window's last control exists it no longer talks to the shell during its start,
    // so a message sent then is answered only when the start (the drives included) is over, or
    // from inside a message box shown during it.
    ::testing::AssertionResult WaitForStart();

    // Waits (see WaitFor) for the process to end; its exit code goes to *exitCode.
    ::testing::AssertionResult WaitForExit(DWORD* exitCode = nullptr);

    // Sends a menu command to the settings dialog and returns once it has been handled.
    void Command(UINT id);

    // Sends a menu command as the menu does and waits (see WaitFor) until Vexa has handled it.
    // A message box shown meanwhile (a refused lock) fails it with its text, and is answered.
    ::testing::AssertionResult Choose(UINT id);

    // Fails with the text of a message box Vexa shows, after answering it.
    ::testing::AssertionResult NoMessageBox();

    // Chooses Exit, as the menu does, and waits for the process to end.
    ::testing::AssertionResult Exit();

private:
    void Own(const PROCESS_INFORMATION& started);

    CKernelHandle m_process;
    CKernelHandle m_thread;
    DWORD m_id = 0;
};

// A program run with these arguments, its standard output and error (one pipe) and exit code,
// once it has ended; exit code -1 when it did not start or did not end.
struct CommandRun {
    DWORD exitCode;
    std::string output;
};
CommandRun RunProgram(const std::string& program, const std::string& arguments);

// Vexa.exe run as a command (as "/lock D:").
inline CommandRun RunVexaCommand(const std::string& arguments)
{
    return RunProgram(TestDirectory() + "\\Vexa.exe", arguments);
}

// The text of a message box, and a press of its OK button.
std::string MessageBoxText(HWND box);
void PressOk(HWND box);

// Every visible or hidden top-level window titled "Vexa Settings" of the dialog class.
int CountSettingsWindows();
