#include "WineDrives.h"

#include "framework/UniqueHandle.h"

#include <dbt.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Wine's own request to its mount manager, as its drive configuration sends it.
constexpr DWORD kDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct UnixDriveRequest {
    ULONG size;
    ULONG type; // DRIVE_CDROM, or DRIVE_NO_ROOT_DIR to remove the letter
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset; // from the start of the record: the Unix folder, zero-terminated
    USHORT deviceOffset;
    USHORT labelOffset;
};

constexpr ULONG kFsTypeIso9660 = 3;

// The Unix path of a Windows path, through Wine's own export.
std::string UnixPath(const wchar_t* path)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        return std::string();
    char* name = unixName(path);
    if (name == nullptr)
        return std::string();
    std::string unix = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return unix;
}

bool SendToMountManager(char letter, ULONG type, const std::string& mountPoint)
{
    std::vector<char> buffer(sizeof(UnixDriveRequest) + mountPoint.size() + 1, '\0');
    UnixDriveRequest request = {};
    request.size = static_cast<ULONG>(buffer.size());
    request.type = type;
    request.fsType = kFsTypeIso9660;
    request.letter = static_cast<WCHAR>(letter | 0x20);
    if (!mountPoint.empty()) {
        request.mountPointOffset = sizeof(UnixDriveRequest);
        std::memcpy(buffer.data() + sizeof(UnixDriveRequest), mountPoint.c_str(),
                    mountPoint.size() + 1);
    }
    std::memcpy(buffer.data(), &request, sizeof(request));

    const CFileHandle manager(::CreateFileW(L"\\\\.\\MountPointManager",
                                            GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    if (!manager)
        return false;
    DWORD returned = 0;
    return ::DeviceIoControl(manager.Get(), kDefineUnixDrive, buffer.data(),
                             static_cast<DWORD>(buffer.size()), nullptr, 0, &returned,
                             nullptr) != FALSE;
}

} // namespace

bool DefineCdromDrive(char letter)
{
    std::wstring folder = L"C:\\vexa-test-cdrom-";
    folder += static_cast<wchar_t>(letter);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::string mountPoint = UnixPath(folder.c_str());
    return !mountPoint.empty() && SendToMountManager(letter, DRIVE_CDROM, mountPoint);
}

bool RemoveDrive(char letter)
{
    return SendToMountManager(letter, DRIVE_NO_ROOT_DIR, std::string());
}

bool BroadcastVolumeChange(char letter, bool arrival, WORD flags)
{
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    const char upper = static_cast<char>(letter & ~0x20);
    volume.dbcv_unitmask = 1u << (upper - 'A');
    volume.dbcv_flags = flags;
    DWORD recipients = BSM_APPLICATIONS;
    // Sent, and waited for, as Windows sends it: a message that carries a record cannot be posted.
    return ::BroadcastSystemMessageA(BSF_QUERY | BSF_NOTIMEOUTIFNOTHUNG, &recipients, WM_DEVICECHANGE,
                                     arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                                     reinterpret_cast<LPARAM>(&volume)) > 0;
}
