#include "TrayPicture.h"

#include "TaskbarTheme.h"
#include "framework/DisplayScale.h"
#include "res/resource.h"

#include <utility>

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
    CIconHandle icon(AfxLoadIconForDpi(light ? IDI_TRAY_LIGHT : IDI_TRAY, SM_CXSMICON, dpi));
    if (!icon)
        return false;
    *replaced = std::move(m_icon);
    m_icon = std::move(icon);
    m_light = light;
    m_dpi = dpi;
    return true;
}
