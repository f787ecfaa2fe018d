// The program's message box: captioned with the application's name, owned by the main window,
// and with the exclamation icon when the type names no icon.
#pragma once

#include <windows.h>

// Shows the box and returns the button pressed. The text is in the ANSI code page.
// Refer to MessageBoxW.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
