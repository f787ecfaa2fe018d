#include "WndClass.h"

#include "WinApp.h"
#include "Wnd.h"

std::string AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // The name encodes every attribute, so equal requests share one class.
    char name[128];
    ::wsprintfA(name, "Vexa:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()),
                classStyle, static_cast<void*>(cursor), static_cast<void*>(background),
                static_cast<void*>(icon));
    WNDCLASSA existing;
    if (::GetClassInfoA(AfxGetInstanceHandle(), name, &existing))
        return name;

    WNDCLASSA wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = icon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    ::RegisterClassA(&wc);
    return name;
}
