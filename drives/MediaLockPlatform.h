// The two platform calls behind the media-removal lock that its tests stand in for: under Wine
// no drive accepts the request, so the accepted path can only be reached through a stand-in.
// The volume handles that hear a press on the eject button are opened through the same call,
// so that the tests know which handle each drive has. The program never changes them; closing
// the device stays a direct call.
#pragma once

#include <windows.h>

struct MediaLockPlatform {
    HANDLE(WINAPI* createFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                               HANDLE); // CreateFileA
    BOOL(WINAPI* deviceIoControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                  LPOVERLAPPED); // DeviceIoControl
};

extern MediaLockPlatform g_mediaLockPlatform;
