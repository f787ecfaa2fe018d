// A function of one of Windows' own DLLs that older versions of Windows lack, found at run time
// so that the program still starts there. Every function newer than the oldest Windows Vexa
// supports is found so (scripts/newer-functions.txt lists them; scripts/check-exe.sh fails on a
// call by name), and each caller does without it where it is missing.
#pragma once

#include <windows.h>

// The platform call behind every lookup, which tests stand in for: Wine cannot be a Windows that
// lacks a function. The program never changes it.
extern FARPROC(WINAPI* g_findSystemFunction)(HMODULE, LPCSTR); // GetProcAddress

// The function name of module (already loaded: kernel32.dll, user32.dll), as type Function;
// nullptr where this Windows has none. Refer to GetModuleHandleA and GetProcAddress.
template <class Function>
Function AfxFindSystemFunction(const char* module, const char* name)
{
    HMODULE loaded = ::GetModuleHandleA(module);
    if (loaded == nullptr)
        return nullptr;
    const FARPROC found = g_findSystemFunction(loaded, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}
