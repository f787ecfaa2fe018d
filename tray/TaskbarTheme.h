// Whether the taskbar is light or dark, which decides the picture of the tray icon that stands
// out on it.
#pragma once

// TRUE when the taskbar is light. While high contrast is on, the taskbar takes the contrast
// theme's background (the system's window colour, COLOR_WINDOW), whatever the theme chosen
// before: light when that colour is. Otherwise, when the user chose a light theme for Windows'
// own parts (the taskbar among them): the current user's SystemUsesLightTheme is a REG_DWORD
// other than 0. Any other value, or none (Windows before 10 version 1903, whose taskbar is
// dark), means dark. The apps' own theme (AppsUseLightTheme) says nothing about the taskbar.
bool TaskbarIsLight();
