#include "TrayPicture.h"

#include "TaskbarTheme.h"
#include "framework/DisplayScale.h"
#include "framework/WinApp.h"
#include "res/resource.h"

bool CTrayPicture::Load(UINT dpi, CIconHandle* replaced)
{
    return LoadFor(TaskbarIsLight(), dpi, replaced);
}

bool CTrayPicture::FollowTheme(CIconHandle* replaced)
{
    const bool light = TaskbarIsLight();
    return light != m_light && LoadFor(light, m_dpi, replaced);
}

bool CTrayPicture::LoadFor(bool light, UINT dpi, CIconHandle* replaced)
{
    // The image drawn for the size, where the resource has one. Refer to LoadImageA.
    const int size = AfxGetSystemMetricForDpi(SM_CXSMICON, dpi);
    CIconHandle icon(static_cast<HICON>(
        ::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(light ? IDI_TRAY_LIGHT : IDI_TRAY),
                     IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon)
        return false;
    *replaced = std::move(m_icon);
    m_icon = std::move(icon);
    m_light = light;
    m_dpi = dpi;
    return true;
}
