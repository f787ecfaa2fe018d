#include "MessageBox.h"

#include "WinApp.h"
#include "Wnd.h"

#include <vector>

namespace {

// The program's texts are in the ANSI code page; the caption (the executable's name) may hold
// any character, so the box is shown through the wide API.
std::vector<wchar_t> Widen(const char* text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return wide;
}

} // namespace

int AfxMessageBox(const char* text, UINT type, UINT)
{
    if ((type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    CWinApp* app = AfxGetApp();
    CWnd* owner = AfxGetMainWnd();
    return ::MessageBoxW(owner != nullptr ? owner->m_hWnd : nullptr, Widen(text).data(),
                         app != nullptr ? app->AppName().c_str() : nullptr, type);
}
