// The platform call behind the message loop that its tests stand in for: Wine's GetMessageW
// fails (-1) only for a call the loop never makes. The program never changes it.
#pragma once

#include <windows.h>

extern BOOL(WINAPI* g_pfnGetMessage)(LPMSG, HWND, UINT, UINT); // GetMessageW
