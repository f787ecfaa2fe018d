#include "LockerApp.h"

#include "CommandProcess.h"
#include "RunningVexa.h"
#include "SettingsDlg.h"
#include "UiLanguage.h"
#include "framework/LoadString.h"
#include "framework/MessageBox.h"
#include "framework/ResourceLanguage.h"
#include "res/resource.h"

#include <utility>

CLockerApp theApp;

BOOL CLockerApp::InitInstance()
{
    // Vexa.exe /lock, /unlock, /status or /?: the command is carried out without a tray icon or
    // a settings window, and the program ends with the command's exit code.
    if (RunCommandLine(&m_exitCode))
        return FALSE;

    AfxSetResourceLanguage(ChooseUiLanguage(PreferredUiLanguages()));

    // A running instance keeps its settings dialog, hidden, under this title. The window alone
    // cannot settle two starts at the same moment (neither finds the other's dialog yet), so
    // the named mutex decides between them.
    if (FindRunningVexa() != nullptr || !ClaimSingleInstance()) {
        AfxMessageBox(AfxLoadString(IDS_ALREADY_RUNNING));
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
    CKernelHandle mutex(::CreateMutexA(nullptr, FALSE, "Local\\Brindle Corporation Vexa Instance"));
    if (mutex && ::GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE; // another instance holds it; this handle goes now
    m_instanceMutex = std::move(mutex);
    // Without a mutex (the platform refused one) the window check alone has to do.
    return TRUE;
}

int CLockerApp::ExitInstance()
{
    m_instanceMutex.Reset();
    const int exitCode = CWinApp::ExitInstance();
    return m_exitCode != 0 ? m_exitCode : exitCode;
}

BOOL CLockerApp::OnCmdMsg(UINT id)
{
    if (id == ID_HELP) {
        OnHelp();
        return TRUE;
    }
    return CWinApp::OnCmdMsg(id);
}
