#include "WndClass.h"

#include "WideString.h"
#include "WinApp.h"
#include "Wnd.h"

std::string AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // The name encodes every attribute, so equal requests share one class.
    char name[128];
    ::wsprintfA(name, "Vexa:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()),
                classStyle, static_cast<void*>(cursor), static_cast<void*>(background),
                static_cast<void*>(icon));
    const CWideString wideName = AfxWiden(name);
    WNDCLASSW existing;
    if (::GetClassInfoW(AfxGetInstanceHandle(), wideName.c_str(), &existing))
        return name;

    WNDCLASSW wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = wideName.c_str();
    ::RegisterClassW(&wc);
    return name;
}
