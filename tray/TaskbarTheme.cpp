#include "TaskbarTheme.h"

#include "framework/UniqueHandle.h"

#include <windows.h>

bool TaskbarIsLight()
{
    CRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                        KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    return ::RegQueryValueExA(key.Get(), "SystemUsesLightTheme", nullptr, &type,
                              reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD && size == sizeof(value) && value != 0;
}
