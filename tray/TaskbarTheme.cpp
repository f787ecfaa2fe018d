#include "TaskbarTheme.h"

#include <windows.h>

bool TaskbarIsLight()
{
    // Only a whole REG_DWORD is read: another type or size is refused as a mismatch.
    DWORD value = 0;
    DWORD size = sizeof(value);
    return ::RegGetValueA(HKEY_CURRENT_USER,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                          "SystemUsesLightTheme", RRF_RT_REG_DWORD, nullptr, &value,
                          &size) == ERROR_SUCCESS &&
           value != 0;
}
