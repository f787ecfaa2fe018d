// Identifiers shared by the resource script and the code.
#pragma once

// Dialogs
#define IDD_SETTINGS 102

// Menus; the tray icon's identifier is its menu's identifier
#define IDR_TRAYMENU 129

// Icons
#define IDI_APP 134
// The tray icon for a dark taskbar (and where the theme is not known), and for a light one
#define IDI_TRAY 135
#define IDI_TRAY_LIGHT 136

// Strings
#define IDS_ABOUTBOX 101

// Controls of the settings dialog
#define IDC_AUTOSTART 1001
#define IDC_CANCEL 1002
#define IDC_OK 1003
#define IDC_DONATE 1004
#define IDC_HOMEPAGE 1006

// Commands
#define IDM_ABOUTBOX 16
#define ID_TRAY_EXIT 32771
#define ID_TRAY_SETTINGS 32772
#define ID_TRAY_LOCKALL 32773
#define ID_TRAY_UNLOCKALL 32774
#define ID_TRAY_DONATE 32775
// The greyed note that an administrator manages the drive locks; never sent
#define ID_TRAY_POLICYNOTE 32776

// Drive i of the drive table toggles with command ID_DRIVE_FIRST + i
#define ID_DRIVE_FIRST 10001

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
