// Window classes for windows whose messages go to CWnd objects.
#pragma once

#include <windows.h>

#include <string>

// Registers (once) a window class with the given style, cursor, background and icon, whose
// window procedure is AfxWndProc, and returns its name. Refer to RegisterClassW.
std::string AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr,
                                HBRUSH background = nullptr, HICON icon = nullptr);
