#include "TrayPicture.h"

#include "SystemTray.h"
#include "TaskbarTheme.h"
#include "framework/DisplayScale.h"
#include "framework/WinApp.h"
#include "res/resource.h"

bool CTrayPicture::Show(UINT dpi)
{
    return ShowFor(TaskbarIsLight(), dpi);
}

bool CTrayPicture::FollowTheme()
{
    const bool light = TaskbarIsLight();
    return light != m_light && ShowFor(light, m_dpi);
}

bool CTrayPicture::ShowFor(bool light, UINT dpi)
{
    // The image drawn for the size, where the resource has one. Refer to LoadImageA.
    const int size = AfxGetSystemMetricForDpi(SM_CXSMICON, dpi);
    CIconHandle icon(static_cast<HICON>(
        ::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(light ? IDI_TRAY_LIGHT : IDI_TRAY),
                     IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon)
        return false;
    // The shell may draw the old picture until it has the new one.
    m_tray.SetIcon(icon.Get());
    m_icon = std::move(icon);
    m_light = light;
    m_dpi = dpi;
    return true;
}
