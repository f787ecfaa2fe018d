#include "DisplayScale.h"

#include "SystemFunction.h"
#include "WinApp.h"

namespace {

UINT SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

} // namespace

// Both functions came with Windows 10 1607; before it every window has the system's scale. They
// are looked up at each call, which is rare (a start, a change of scale), not kept.
UINT AfxGetWindowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow =
        AfxFindSystemFunction<GetDpiForWindowFunction>("user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpiForWindow != nullptr && window != nullptr ? getDpiForWindow(window) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}

int AfxGetSystemMetricForDpi(int index, UINT dpi)
{
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    const auto getMetricForDpi = AfxFindSystemFunction<GetSystemMetricsForDpiFunction>(
        "user32.dll", "GetSystemMetricsForDpi");
    return getMetricForDpi != nullptr ? getMetricForDpi(index, dpi) : ::GetSystemMetrics(index);
}

HICON AfxLoadIconForDpi(UINT id, int metric, UINT dpi)
{
    const int size = AfxGetSystemMetricForDpi(metric, dpi);
    return static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                           size, size, LR_DEFAULTCOLOR));
}
