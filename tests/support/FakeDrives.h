// Stands in for the storage drivers of CD-ROM drives that accept the media-removal request,
// which no drive does under Wine (it answers error 50). While an object lives it takes the
// place of the open and of the device-control call behind SetMediaLock; everything else stays
// real: the open itself is passed on to Wine (\\.\D: and \\.\E: open there), and the handle is
// closed by the real CloseHandle.
//
// Each drive keeps a lock count as the Windows class driver does: a lock request adds one, an
// unlock request takes one away unless the count is already zero, and the eject button works
// only at zero. The per-handle lock (IOCTL_STORAGE_EJECTION_CONTROL) is counted apart, for the
// handle that sent it: only that handle's unlock takes one away, a simple unlock never does,
// and closing the handle (through the platform's close) drops all of that handle's locks.
#pragma once

#include "drives/MediaLockPlatform.h"

#include <windows.h>
#include <winioctl.h>

#include <map>
#include <string>
#include <vector>

class FakeDrives {
public:
    struct Open {
        std::string path;
        DWORD access;
        DWORD share;
        bool security; // security attributes passed
        DWORD disposition;
        DWORD attributes;
        bool hasTemplate;
        HANDLE handle; // what the open returned
    };

    struct Request {
        std::string drive; // "D:", from the path the handle was opened with
        HANDLE handle;
        DWORD code;
        std::vector<BYTE> input; // nullptr input is recorded as empty with noInput set
        bool noInput;
        bool noOutput;
        DWORD outputSize;
        bool overlapped;
        bool counter; // a bytes-returned counter was passed
    };

    FakeDrives() : m_saved(g_mediaLockPlatform)
    {
        s_current = this;
        g_mediaLockPlatform.createFile = CreateFileStandIn;
        g_mediaLockPlatform.deviceIoControl = DeviceIoControlStandIn;
        g_mediaLockPlatform.closeHandle = CloseHandleStandIn;
    }

    ~FakeDrives()
    {
        g_mediaLockPlatform = m_saved;
        s_current = nullptr;
    }

    FakeDrives(const FakeDrives&) = delete;
    FakeDrives& operator=(const FakeDrives&) = delete;

    std::vector<Open> opens;
    std::vector<Request> requests;

    std::map<std::string, DWORD> openError;       // drive -> the open fails with this code
    std::map<std::string, DWORD> removalError;    // drive -> either lock request fails
    DWORD volumeLockError = 0;                    // non-zero: FSCTL_LOCK_VOLUME fails so
    DWORD volumeUnlockError = 0;                  // non-zero: FSCTL_UNLOCK_VOLUME fails so
    std::map<std::string, int> lockCount;         // per drive, as the class driver counts

    bool EjectWorks(const std::string& drive) const
    {
        auto found = lockCount.find(drive);
        return (found == lockCount.end() || found->second == 0) && HandleLocks(drive) == 0;
    }

    // The per-handle locks the driver keeps for drive, over all its open handles.
    int HandleLocks(const std::string& drive) const
    {
        int count = 0;
        for (const auto& held : m_handleLocks) {
            auto name = m_drives.find(held.first);
            if (name != m_drives.end() && name->second == drive)
                count += held.second;
        }
        return count;
    }

    // The media-removal requests in order, as "D:1" (drive and the request's byte).
    std::vector<std::string> RemovalRequests() const
    {
        std::vector<std::string> seen;
        for (const Request& request : requests) {
            if (request.code != IOCTL_STORAGE_MEDIA_REMOVAL)
                continue;
            std::string entry = request.drive;
            if (!request.input.empty())
                entry += std::to_string(request.input[0]);
            seen.push_back(entry);
        }
        return seen;
    }

    void Forget()
    {
        opens.clear();
        requests.clear();
    }

private:
    static std::string DriveOf(const std::string& path)
    {
        return path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
    }

    static HANDLE WINAPI CreateFileStandIn(LPCSTR path, DWORD access, DWORD share,
                                           LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                           DWORD attributes, HANDLE templateFile)
    {
        FakeDrives& self = *s_current;
        Open open = {path, access, share, security != nullptr, disposition, attributes,
                     templateFile != nullptr, INVALID_HANDLE_VALUE};
        const std::string drive = DriveOf(path);
        auto refused = self.openError.find(drive);
        if (refused != self.openError.end()) {
            self.opens.push_back(open);
            ::SetLastError(refused->second);
            return INVALID_HANDLE_VALUE;
        }
        open.handle = self.m_saved.createFile(path, access, share, security, disposition,
                                              attributes, templateFile);
        const DWORD error = ::GetLastError();
        self.opens.push_back(open);
        if (open.handle != INVALID_HANDLE_VALUE)
            self.m_drives[open.handle] = drive;
        ::SetLastError(error);
        return open.handle;
    }

    static BOOL WINAPI DeviceIoControlStandIn(HANDLE device, DWORD code, LPVOID input,
                                              DWORD inputSize, LPVOID output, DWORD outputSize,
                                              LPDWORD returned, LPOVERLAPPED overlapped)
    {
        FakeDrives& self = *s_current;
        Request request;
        request.drive = self.m_drives.count(device) ? self.m_drives[device] : std::string("?");
        request.handle = device;
        request.code = code;
        request.noInput = input == nullptr;
        if (input != nullptr)
            request.input.assign(static_cast<BYTE*>(input), static_cast<BYTE*>(input) + inputSize);
        request.noOutput = output == nullptr;
        request.outputSize = outputSize;
        request.overlapped = overlapped != nullptr;
        request.counter = returned != nullptr;
        self.requests.push_back(request);
        if (returned != nullptr)
            *returned = 0;

        DWORD error = 0;
        if (code == FSCTL_LOCK_VOLUME)
            error = self.volumeLockError;
        else if (code == FSCTL_UNLOCK_VOLUME)
            error = self.volumeUnlockError;
        else if (code == IOCTL_STORAGE_MEDIA_REMOVAL) {
            auto refused = self.removalError.find(request.drive);
            if (refused != self.removalError.end())
                error = refused->second;
            else if (inputSize < 1)
                error = ERROR_INVALID_PARAMETER;
            else {
                int& count = self.lockCount[request.drive];
                if (request.input[0] != 0)
                    ++count;
                else if (count > 0)
                    --count;
            }
        } else if (code == IOCTL_STORAGE_EJECTION_CONTROL) {
            auto refused = self.removalError.find(request.drive);
            if (refused != self.removalError.end())
                error = refused->second;
            else if (inputSize < 1)
                error = ERROR_INVALID_PARAMETER;
            else if (request.input[0] != 0)
                ++self.m_handleLocks[device];
            else if (self.m_handleLocks[device] > 0)
                --self.m_handleLocks[device];
        } else
            error = ERROR_INVALID_FUNCTION;

        if (error != 0) {
            ::SetLastError(error);
            return FALSE;
        }
        return TRUE;
    }

    // The driver forgets a handle's locks when the handle closes.
    static BOOL WINAPI CloseHandleStandIn(HANDLE handle)
    {
        FakeDrives& self = *s_current;
        self.m_handleLocks.erase(handle);
        const BOOL closed = self.m_saved.closeHandle(handle);
        if (closed)
            self.m_drives.erase(handle);
        return closed;
    }

    MediaLockPlatform m_saved;
    std::map<HANDLE, std::string> m_drives;
    std::map<HANDLE, int> m_handleLocks; // per open handle, its per-handle locks
    static inline FakeDrives* s_current = nullptr;
};
