#include "TaskbarTheme.h"

#include "framework/HighContrast.h"

#include <windows.h>

bool TaskbarIsLight()
{
    if (AfxHighContrastOn()) {
        // Light as people see it: green counts most, blue least.
        const COLORREF background = ::GetSysColor(COLOR_WINDOW);
        return 299 * GetRValue(background) + 587 * GetGValue(background) +
                   114 * GetBValue(background) >
               127500;
    }
    // Only a whole REG_DWORD is read: another type or size is refused as a mismatch.
    DWORD value = 0;
    DWORD size = sizeof(value);
    return ::RegGetValueA(HKEY_CURRENT_USER,
                          "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                          "SystemUsesLightTheme", RRF_RT_REG_DWORD, nullptr, &value,
                          &size) == ERROR_SUCCESS &&
           value != 0;
}
