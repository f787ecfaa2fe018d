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

// Strings. Those with placeholders are formats: "%s" a text (a drive's name "D:"), "%d" a
// number; every language has the same placeholders in the same order.
#define IDS_ABOUTBOX 101
#define IDS_TRAY_TIP 200
#define IDS_LOCK_DRIVE 201
#define IDS_UNLOCK_DRIVE 202
#define IDS_POLICY_NOTE 203
#define IDS_ALREADY_RUNNING 204
#define IDS_DRIVE_REFUSED 205
#define IDS_NOT_LOCKED_TITLE 206
#define IDS_NOT_LOCKED_LINE 207
#define IDS_EJECT_TITLE 208
#define IDS_EJECT_TEXT 209
#define IDS_EJECT_TEXT_ENFORCED 210
#define IDS_LINK_HINT 211
// The link's errors: "Can't open link:" and the shell's reason, or the unknown error's number
#define IDS_LINK_CANT_OPEN 224
#define IDS_LINK_UNKNOWN_ERROR 225
#define IDS_LINK_OUT_OF_RESOURCES 226
#define IDS_LINK_FILE_NOT_FOUND 227
#define IDS_LINK_PATH_NOT_FOUND 228
#define IDS_LINK_ACCESS_DENIED 229
#define IDS_LINK_OUT_OF_MEMORY 230
#define IDS_LINK_BAD_FORMAT 231
#define IDS_LINK_SHARING 232
#define IDS_LINK_ASSOC_INCOMPLETE 233
#define IDS_LINK_DDE_TIMEOUT 234
#define IDS_LINK_DDE_FAILED 235
#define IDS_LINK_DDE_BUSY 236
#define IDS_LINK_NO_ASSOC 237
#define IDS_LINK_DLL_NOT_FOUND 238

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
