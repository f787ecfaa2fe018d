// The two platform calls behind the tray icon that its tests stand in for: Wine can be neither
// an old Windows (version 3) nor a shell that refuses an icon. The program never changes them.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct TrayPlatform {
    DWORD(WINAPI* getVersion)();                         // GetVersion
    BOOL(WINAPI* shellNotifyIcon)(DWORD, PNOTIFYICONDATAW); // Shell_NotifyIconW
};

extern TrayPlatform g_trayPlatform;
