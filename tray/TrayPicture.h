// CTrayPicture: the picture of Vexa's icon in the notification area. The taskbar is light or
// dark, and each gets the picture that stands out on it: icon 135 (light on dark) or icon 136
// (with a dark outline, for a light taskbar), at the small-icon size of the display's scale.
// It reads the taskbar's theme itself, and decides when a notice brings a new picture; it owns
// the picture it loaded.
#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>

class CTrayPicture {
public:
    // Loads the picture for the taskbar's theme now at the small-icon size of dpi (dots per
    // inch), also when the theme and the scale are the ones held: the icon metrics may have
    // changed. TRUE when a picture was loaded: replaced then holds the one before, for the
    // caller to release once the shell has the new one. FALSE, keeping the picture, when it
    // cannot be loaded.
    bool Load(UINT dpi, CIconHandle* replaced);

    // Windows announced a new theme, often several times for one change: the other picture is
    // loaded only when the taskbar's brightness changed. TRUE when it was, as for Load.
    bool FollowTheme(CIconHandle* replaced);

    HICON Get() const { return m_icon.Get(); }

    // The scale the picture was last loaded at.
    UINT Dpi() const { return m_dpi; }

private:
    // Loads the picture for a light (or dark) taskbar at dpi.
    bool LoadFor(bool light, UINT dpi, CIconHandle* replaced);

    CIconHandle m_icon;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    bool m_light = false; // the picture held is the one for a light taskbar
};
