// Dialog data exchange: connects a dialog's controls to its members.
#pragma once

#include <windows.h>

class CWnd;

class CDataExchange {
public:
    explicit CDataExchange(CWnd* dialog) : m_pDlgWnd(dialog) {}

    CWnd* m_pDlgWnd; // the dialog whose controls are exchanged
};

// Attaches the control with the given identifier to a member object, once; the object then
// receives the control's messages. Refer to GetDlgItem and SetWindowLongPtrA(GWLP_WNDPROC).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
