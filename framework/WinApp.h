// CWinApp: the one application object. The entry point calls InitInstance, then runs the
// message loop until the main window is destroyed.
#pragma once

#include <windows.h>

#include "WideString.h"

class CWnd;

// The framework's standard Help command.
constexpr UINT ID_HELP = 0xE146;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Sets the program up; FALSE ends the process without entering the message loop.
    virtual BOOL InitInstance();

    // The message loop; returns ExitInstance's result once WM_QUIT arrives, or kExitFailure
    // (after ExitInstance) when the platform cannot deliver messages any more.
    virtual int Run();

    // Clean-up after the loop; the result is the process's exit code.
    virtual int ExitInstance();

    // Offers a message to the windows it is for, innermost first, before it is dispatched.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Commands no window handled; TRUE when the application took the command.
    virtual BOOL OnCmdMsg(UINT id);

    // The default Help command. Vexa ships no help file, so there is nothing to open.
    void OnHelp() {}

    // The application's name: the executable's file name without its extension, whatever its
    // characters. It is the caption of every message box the program shows.
    const CWideString& AppName() const { return m_appName; }

    CWnd* m_pMainWnd = nullptr; // destroying this window ends the message loop

private:
    CWideString m_appName;
    // A program has one application object; the tests make short-lived ones of their own, and
    // the program's comes back when such an object goes.
    CWinApp* m_previousApp;
};

// The process's exit code when it ends on a failure: an exception nothing else caught, or a
// message loop the platform stopped serving.
constexpr int kExitFailure = 1;

// The application object, the main window, and the module the resources come from.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();

// The full path of the running executable, of any length and in any characters.
// Refer to GetModuleFileNameW.
CWideString AfxGetModuleFileName();

// Runs the application object: InitInstance, then the message loop. An exception that reaches
// it is reported (AfxReportException) and ends the program with kExitFailure.
int AfxWinMain();
