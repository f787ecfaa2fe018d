#include "HighContrast.h"

BOOL(WINAPI* g_pfnGetHighContrast)(UINT, UINT, PVOID, UINT) = ::SystemParametersInfoW;

bool AfxHighContrastOn()
{
    HIGHCONTRASTW contrast = {};
    contrast.cbSize = sizeof(contrast);
    return g_pfnGetHighContrast(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
