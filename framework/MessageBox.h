// The program's message box: captioned with the application's name, owned by the main window,
// and with the exclamation icon when the type names no icon.
#pragma once

#include <windows.h>

#include <string>

// Shows the box and returns the button pressed. The text is UTF-8. Refer to MessageBoxW.
int AfxMessageBox(const std::string& text, UINT type = MB_OK, UINT helpId = 0);
