// A function of one of Windows' own DLLs that older versions of Windows lack, found at run time
// so that the program still starts there.
#pragma once

#include <windows.h>

// The function name of module (already loaded: kernel32.dll, user32.dll), as type Function;
// nullptr where this Windows has none. Refer to GetModuleHandleA and GetProcAddress.
template <class Function>
Function AfxFindSystemFunction(const char* module, const char* name)
{
    HMODULE loaded = ::GetModuleHandleA(module);
    if (loaded == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(loaded, name)));
}
