// The platform calls behind the media-removal lock that its tests stand in for: under Wine no
// drive accepts the request, so the accepted path can only be reached through a stand-in.
// The volume handles that hear a press on the eject button are opened through the same call,
// so that the tests know which handle each drive has, and closed through it: a volume handle may
// hold a lock of its own (IOCTL_STORAGE_EJECTION_CONTROL, which the driver keeps until that
// handle closes), and the stand-in lets go of it as the driver would. Every other handle is
// closed by a direct call. The program never changes them.
#pragma once

#include <windows.h>

struct MediaLockPlatform {
    HANDLE(WINAPI* createFile)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                               HANDLE); // CreateFileA
    BOOL(WINAPI* deviceIoControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                  LPOVERLAPPED);  // DeviceIoControl
    BOOL(WINAPI* closeHandle)(HANDLE);            // CloseHandle, of a volume handle
};

extern MediaLockPlatform g_mediaLockPlatform;
