#include "SettingsStore.h"

#include "framework/UniqueHandle.h"

#include <cstring>

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const wchar_t kAutostartValue[] = L"Vexa";

// Reads a 4-byte value over *target. A value the platform does not deliver whole (missing, or
// longer than 4 bytes) leaves *target as it was; a shorter value of any type replaces only its
// first bytes.
void QueryDword(const CRegKey& key, const char* name, DWORD* target)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                           &size) == ERROR_SUCCESS &&
        size <= sizeof(value))
        std::memcpy(target, &value, size);
}

void SetDword(const CRegKey& key, const char* name, DWORD value)
{
    ::RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof(value));
}

// Opens the program's key for writing, creating it when it does not exist yet.
CRegKey OpenForWriting(const std::string& path)
{
    CRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) ==
        ERROR_SUCCESS)
        return key;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), key.Receive()) == ERROR_SUCCESS)
        return key;
    return CRegKey();
}

// Reads need no more than read access: an account that may not change the key still gets its
// remembered locks and options.
CRegKey OpenForReading(const std::string& path)
{
    CRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Receive()) ==
        ERROR_SUCCESS)
        return key;
    return CRegKey();
}

} // namespace

DWORD CSettingsStore::ReadDriveState(const std::string& name) const
{
    DWORD state = 0;
    const CRegKey key = OpenForReading(m_keyPath);
    if (key)
        QueryDword(key, name.c_str(), &state);
    return state;
}

void CSettingsStore::WriteDriveState(const std::string& name, DWORD state) const
{
    const CRegKey key = OpenForWriting(m_keyPath);
    if (key)
        SetDword(key, name.c_str(), state);
}

BOOL CSettingsStore::ReadOptions(DWORD* startOnBoot, DWORD* lockOnStart) const
{
    const CRegKey key = OpenForReading(m_keyPath);
    if (!key)
        return FALSE;
    QueryDword(key, "StartOnBoot", startOnBoot);
    QueryDword(key, "LockOnStart", lockOnStart);
    return TRUE;
}

void CSettingsStore::WriteOptions(DWORD startOnBoot, DWORD lockOnStart) const
{
    const CRegKey key = OpenForWriting(m_keyPath);
    if (!key)
        return;
    SetDword(key, "StartOnBoot", startOnBoot);
    SetDword(key, "LockOnStart", lockOnStart);
}

void CSettingsStore::WriteAutostart(BOOL enabled, const CWideString& commandLine)
{
    // The Run key belongs to the platform: never create it.
    CRegKey key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, key.Receive()) !=
        ERROR_SUCCESS)
        return;
    if (enabled)
        ::RegSetValueExW(key.Get(), kAutostartValue, 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(commandLine.c_str()),
                         static_cast<DWORD>((commandLine.size() + 1) * sizeof(wchar_t)));
    else
        ::RegDeleteValueW(key.Get(), kAutostartValue);
}
