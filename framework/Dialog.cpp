#include "Dialog.h"

#include "DataExchange.h"
#include "ResourceLanguage.h"
#include "WinApp.h"

const MessageMapEntry CDialog::messageEntries[] = {
    MapCommand(IDCANCEL, &CDialog::OnCancel),
};

const MessageMap CDialog::messageMap = DefineMessageMap(&CWnd::messageMap, messageEntries);

// The template and the parent are given again to Create, which is where they are used.
CDialog::CDialog(UINT, CWnd*) {}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    // The template in the program's language; the wide call makes a window of UTF-16 texts,
    // which show every language whatever the system's ANSI code page.
    const auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(
        AfxLockResource(AfxFindResource(MAKEINTRESOURCEW(5) /* RT_DIALOG */, templateId), nullptr));
    if (dialogTemplate == nullptr)
        return FALSE;
    s_pWndInit = this;
    HWND hwnd = ::CreateDialogIndirectParamW(AfxGetInstanceHandle(), dialogTemplate,
                                             parent != nullptr ? parent->m_hWnd : nullptr,
                                             AfxDlgProc, 0);
    s_pWndInit = nullptr;
    if (m_initFailure) {
        // A dialog that could not initialise is of no use: the caller's object goes away, and
        // its window with it.
        std::exception_ptr failure = m_initFailure;
        m_initFailure = nullptr;
        std::rethrow_exception(failure);
    }
    return hwnd != nullptr;
}


BOOL CDialog::OnInitDialog()
{
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))
        return FALSE;
    return ::IsDialogMessageW(m_hWnd, msg);
}

INT_PTR CALLBACK AfxDlgProc(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hwnd);
    if (wnd == nullptr && CWnd::s_pWndInit != nullptr) {
        // The first message that reaches the dialog procedure (WM_SETFONT, or WM_INITDIALOG
        // for a template without a font): attach the object and put AfxWndProc in front of the
        // dialog manager's window procedure.
        wnd = CWnd::s_pWndInit;
        CWnd::s_pWndInit = nullptr;
        wnd->Attach(hwnd);
        wnd->m_pfnSuper = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
        // Called from inside the dialog manager, which no exception may cross: Create throws it
        // again once the dialog manager has returned.
        CDialog* dialog = static_cast<CDialog*>(wnd);
        try {
            dialog->OnDialogWindowCreated();
        } catch (...) {
            dialog->m_initFailure = std::current_exception();
        }
    }
    if (message == WM_INITDIALOG && wnd != nullptr) {
        CDialog* dialog = static_cast<CDialog*>(wnd);
        if (dialog->m_initFailure)
            return FALSE; // the creation failed already
        try {
            return dialog->OnInitDialog();
        } catch (...) {
            dialog->m_initFailure = std::current_exception();
        }
    }
    return FALSE;
}
