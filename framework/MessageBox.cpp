#include "MessageBox.h"

#include "ResourceLanguage.h"
#include "WideString.h"
#include "WinApp.h"
#include "Wnd.h"

int AfxMessageBox(const std::string& text, UINT type, UINT)
{
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    // A right-to-left language's box reads from the right, and is mirrored as its window is.
    if (AfxIsRightToLeftLanguage(AfxGetResourceLanguage()))
        type |= MB_RTLREADING | MB_RIGHT;
    CWinApp* app = AfxGetApp();
    CWnd* owner = AfxGetMainWnd();
    return ::MessageBoxW(owner != nullptr ? owner->m_hWnd : nullptr, AfxWiden(text).c_str(),
                         app != nullptr ? app->AppName().c_str() : nullptr, type);
}
