#include "MessageBox.h"

#include "WinApp.h"
#include "Wnd.h"

int AfxMessageBox(const char* text, UINT type, UINT)
{
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    CWinApp* app = AfxGetApp();
    CWnd* owner = AfxGetMainWnd();
    return ::MessageBoxA(owner != nullptr ? owner->m_hWnd : nullptr, text,
                         app != nullptr ? app->AppName().c_str() : nullptr, type);
}
