// CLockerApp: the application object. It lets one instance run at a time and makes the hidden
// settings dialog the main window, whose destruction ends the program.
#pragma once

#include "framework/UniqueHandle.h"
#include "framework/WinApp.h"

class CLockerApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL OnCmdMsg(UINT id) override;

private:
    // TRUE when no other instance holds the program's named mutex; this one then holds it
    // until it exits.
    BOOL ClaimSingleInstance();

    CKernelHandle m_instanceMutex;
    int m_exitCode = 0; // a command's, when the program was started with one
};

extern CLockerApp theApp;
