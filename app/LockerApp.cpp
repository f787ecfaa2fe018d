#include "LockerApp.h"

#include "SettingsDlg.h"
#include "framework/MessageBox.h"

CLockerApp theApp;

BOOL CLockerApp::InitInstance()
{
    // A running instance keeps its settings dialog, hidden, under this title. The window alone
    // cannot settle two starts at the same moment (neither finds the other's dialog yet), so
    // the named mutex decides between them.
    if (::FindWindowA("#32770", "Vexa Settings") != nullptr || !ClaimSingleInstance()) {
        AfxMessageBox("Another instance of Vexa is already running.");
        return FALSE;
    }

    CSettingsDlg* dialog = new CSettingsDlg(nullptr);
    if (dialog->m_hWnd == nullptr) {
        delete dialog; // without its window the program could never be ended
        return FALSE;
    }
    m_pMainWnd = dialog;
    return TRUE;
}

BOOL CLockerApp::ClaimSingleInstance()
{
    m_instanceMutex = ::CreateMutexA(nullptr, FALSE, "Local\\Brindle Corporation Vexa Instance");
    if (m_instanceMutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(m_instanceMutex);
        m_instanceMutex = nullptr;
        return FALSE;
    }
    // Without a mutex (the platform refused one) the window check alone has to do.
    return TRUE;
}

int CLockerApp::ExitInstance()
{
    if (m_instanceMutex != nullptr) {
        ::CloseHandle(m_instanceMutex);
        m_instanceMutex = nullptr;
    }
    return CWinApp::ExitInstance();
}

BOOL CLockerApp::OnCmdMsg(UINT id)
{
    if (id == ID_HELP) {
        OnHelp();
        return TRUE;
    }
    return CWinApp::OnCmdMsg(id);
}
