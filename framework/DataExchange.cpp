#include "DataExchange.h"

#include "Wnd.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.m_hWnd != nullptr)
        return; // already attached by an earlier exchange
    control.SubclassWindow(::GetDlgItem(dx->m_pDlgWnd->m_hWnd, id));
}
