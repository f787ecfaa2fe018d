// Identifiers of the bare tray program's resources, and what the benchmark's probe needs to
// drive it from outside.
#pragma once

#define IDD_BARE 101
#define IDR_BAREMENU 102
#define IDI_BARETRAY 103

#define ID_BARE_SETTINGS 40001
#define ID_BARE_EXIT 40002

// The icon's identifier and its callback message (WM_APP + 1).
#define BARE_ICON_ID 1
#define BARE_TRAY_MESSAGE 0x8001
