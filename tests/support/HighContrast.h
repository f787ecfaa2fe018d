// High contrast on or off as a test wants it (Wine always reports it off), and a system colour
// set for one test; both come back when their objects go.
#pragma once

#include "ScopedOverride.h"

#include "framework/HighContrast.h"

#include <windows.h>

inline bool g_highContrastOn = false;

// SystemParametersInfoW's answer to SPI_GETHIGHCONTRAST, with high contrast as the test set it.
inline BOOL WINAPI ReportHighContrast(UINT action, UINT size, PVOID info, UINT)
{
    if (action != SPI_GETHIGHCONTRAST || size != sizeof(HIGHCONTRASTW) || info == nullptr)
        return FALSE;
    auto* contrast = static_cast<HIGHCONTRASTW*>(info);
    contrast->dwFlags = HCF_AVAILABLE | (g_highContrastOn ? HCF_HIGHCONTRASTON : 0);
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

struct HighContrastOverride {
    explicit HighContrastOverride(bool turnedOn) : on(g_highContrastOn, turnedOn) {}
    ScopedOverride<decltype(g_pfnGetHighContrast)> seam{g_pfnGetHighContrast, ReportHighContrast};
    ScopedOverride<bool> on;
};

class ScopedSysColor {
public:
    ScopedSysColor(int index, COLORREF colour) : m_index(index), m_saved(::GetSysColor(index))
    {
        ::SetSysColors(1, &m_index, &colour);
    }
    ~ScopedSysColor() { ::SetSysColors(1, &m_index, &m_saved); }
    ScopedSysColor(const ScopedSysColor&) = delete;
    ScopedSysColor& operator=(const ScopedSysColor&) = delete;

private:
    int m_index;
    COLORREF m_saved;
};
