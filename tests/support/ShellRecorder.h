// Records every request the tray icon makes to the shell, and can make the shell refuse one.
// The requests still reach the real shell unless a refusal is asked for.
#pragma once

#include "tray/TrayPlatform.h"

#include <string>
#include <vector>

struct ShellRequest {
    DWORD message; // NIM_ADD, NIM_DELETE, ...
    DWORD cbSize;
    HWND window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    HICON icon;
    std::string tip; // the texts as UTF-8
    std::string infoTitle; // a balloon's title and text (NIF_INFO)
    std::string info;
    DWORD infoFlags;
    UINT version; // uVersion, for NIM_SETVERSION
};

class ShellRecorder {
public:
    ShellRecorder();  // installs itself in front of the platform calls
    ~ShellRecorder(); // restores the real calls

    std::vector<ShellRequest> requests;

    // The NIM_MODIFY requests that changed what flag stands for (NIF_ICON, NIF_INFO, ...).
    std::vector<ShellRequest> Modifications(UINT flag) const;
    int refuseNext = 0;     // the next N requests fail without reaching the shell
    DWORD refuseMessage = 0; // when non-zero, every request of this kind fails so
    DWORD version = 0;      // when non-zero, what GetVersion reports

private:
    static BOOL WINAPI NotifyIcon(DWORD message, PNOTIFYICONDATAW data);
    static DWORD WINAPI Version();
    TrayPlatform m_saved;
};
