// Whether the user turned high contrast on: Windows then asks programs to draw in the system's
// colours only, which the user's contrast theme sets.
#pragma once

#include <windows.h>

// TRUE while high contrast is on (HCF_HIGHCONTRASTON). Refer to SystemParametersInfoW with
// SPI_GETHIGHCONTRAST.
bool AfxHighContrastOn();

// The platform call behind AfxHighContrastOn that its tests stand in for: Wine always reports
// high contrast off. The program never changes it.
extern BOOL(WINAPI* g_pfnGetHighContrast)(UINT, UINT, PVOID, UINT); // SystemParametersInfoW
