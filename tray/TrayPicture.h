// CTrayPicture: the picture of Vexa's icon in the notification area. The taskbar is light or
// dark, and each gets the picture that stands out on it: icon 135 (light on dark) or icon 136
// (with a dark outline, for a light taskbar), at the small-icon size of the display's scale.
// It reads the taskbar's theme itself, loads the picture, hands it to the tray icon it belongs
// to, and owns it until the next one has been handed over.
#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>

class CSystemTray;

class CTrayPicture {
public:
    explicit CTrayPicture(CSystemTray& tray) : m_tray(tray) {}
    CTrayPicture(const CTrayPicture&) = delete;
    CTrayPicture& operator=(const CTrayPicture&) = delete;

    // Shows the picture for the taskbar's theme now at the small-icon size of dpi (dots per
    // inch), also when the theme and the scale are the ones shown: the icon metrics may have
    // changed. FALSE, with the picture shown before kept, when it cannot be loaded.
    bool Show(UINT dpi);

    // Windows announced a new theme, often several times for one change: the other picture is
    // shown only when the taskbar's brightness changed. TRUE when it was.
    bool FollowTheme();

    // The scale the picture was last shown at.
    UINT Dpi() const { return m_dpi; }

private:
    // Loads the picture for a light (or dark) taskbar at dpi and hands it to the tray before
    // the one it replaces goes.
    bool ShowFor(bool light, UINT dpi);

    CSystemTray& m_tray;
    CIconHandle m_icon;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    bool m_light = false; // the picture shown is the one for a light taskbar
};
