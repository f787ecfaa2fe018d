#include "SystemFunction.h"

FARPROC(WINAPI* g_findSystemFunction)(HMODULE, LPCSTR) = ::GetProcAddress;
