// Vexa in high contrast, for the screenshots: Wine always reports high contrast off, so this
// program, made of Vexa's own code and resources, answers that one call with "on" and then runs
// as Vexa.exe does. The session's colours (a contrast theme's) come from the Wine prefix.
#include "framework/HighContrast.h"
#include "framework/WinApp.h"

namespace {

BOOL WINAPI ReportHighContrastOn(UINT action, UINT size, PVOID info, UINT)
{
    if (action != SPI_GETHIGHCONTRAST || size != sizeof(HIGHCONTRASTW) || info == nullptr)
        return FALSE;
    static_cast<HIGHCONTRASTW*>(info)->dwFlags = HCF_AVAILABLE | HCF_HIGHCONTRASTON;
    static_cast<HIGHCONTRASTW*>(info)->lpszDefaultScheme = nullptr;
    return TRUE;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    g_pfnGetHighContrast = ReportHighContrastOn;
    return AfxWinMain();
}
