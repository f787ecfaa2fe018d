// CDialog: a modeless dialog created from a resource template. The dialog window is attached
// to the object before WM_INITDIALOG, so OnInitDialog and the message map see every message
// from then on; the dialog manager still does the default processing behind them.
#pragma once

#include "Wnd.h"

#include <exception>

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the dialog window from the template. An exception of OnDialogWindowCreated or
    // OnInitDialog comes out of here, once the dialog manager has returned; the window then
    // still exists, and goes with the object. The template is the one in the program's language
    // (ResourceLanguage.h). Refer to CreateDialogIndirectParamW.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);

    // Ends the dialog; a modeless dialog is hidden, not destroyed. Refer to EndDialog.
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

    // Refer to GetDlgItem, CheckDlgButton and IsDlgButtonChecked.
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }

    // Gives the dialog its keyboard interface (Tab, Enter, Escape, mnemonics).
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // The dialog window exists and is attached, its controls not yet: a template that names a
    // font first gives the window that font, before the dialog manager creates the controls.
    // Without a font in the template this comes right before OnInitDialog. What should be
    // ready soonest, before the controls and their set-up, can be started here. An exception
    // ends the creation as one of OnInitDialog does, and OnInitDialog is not called.
    virtual void OnDialogWindowCreated() {}

    // WM_INITDIALOG: the data exchange attaches the controls. The result tells the
    // dialog manager whether to give the focus to the first control.
    virtual BOOL OnInitDialog();

    // Connects controls to members (DDX_Control); the base exchanges nothing.
    virtual void DoDataExchange(CDataExchange* dx);

    // The cancel command (Escape): ends the dialog with IDCANCEL.
    void OnCancel();

    DECLARE_MESSAGE_MAP()

private:
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

    std::exception_ptr m_initFailure; // what the set-up threw, until Create throws it again
};

// The dialog procedure of every CDialog.
INT_PTR CALLBACK AfxDlgProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
