// Dialog data exchange: moves data between a dialog's controls and its members.
#pragma once

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate)
    {
    }

    CWnd* m_pDlgWnd;         // the dialog whose controls are exchanged
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
};

// Attaches the control with the given identifier to a member object, once; the object then
// receives the control's messages. Refer to GetDlgItem and SetWindowLongPtrA(GWLP_WNDPROC).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
