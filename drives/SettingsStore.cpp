// What Vexa remembers between runs, in the current user's registry: the options and one lock
// flag per CD-ROM drive under the program's key, and the autostart entry under the Run key.
// Every routine opens its key, does its work and closes it; nothing is cached.
#include "app/SettingsDlg.h"

#include <cstring>

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const char kAutostartValue[] = "Vexa";

// Reads a 4-byte value over *target. A value the platform does not deliver whole (missing, or
// longer than 4 bytes) leaves *target as it was; a shorter value of any type replaces only its
// first bytes.
void QueryDword(HKEY key, const char* name, DWORD* target)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        size <= sizeof(value))
        std::memcpy(target, &value, size);
}

void SetDword(HKEY key, const char* name, DWORD value)
{
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// Opens the program's key for writing, creating it when it does not exist yet.
HKEY OpenForWriting(const std::string& path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        return key;
    if (::RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

// Reads need no more than read access: an account that may not change the key still gets its
// remembered locks and options.
HKEY OpenForReading(const std::string& path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS)
        return key;
    return nullptr;
}

} // namespace

DWORD CSettingsDlg::ReadDriveState(const std::string& name)
{
    DWORD state = 0;
    HKEY key = OpenForReading(m_regKey);
    if (key == nullptr)
        return state;
    QueryDword(key, name.c_str(), &state);
    ::RegCloseKey(key);
    return state;
}

void CSettingsDlg::WriteDriveState(const std::string& name, DWORD state)
{
    HKEY key = OpenForWriting(m_regKey);
    if (key == nullptr)
        return;
    SetDword(key, name.c_str(), state);
    ::RegCloseKey(key);
}

BOOL CSettingsDlg::ReadOptions()
{
    HKEY key = OpenForReading(m_regKey);
    if (key == nullptr)
        return FALSE;
    QueryDword(key, "StartOnBoot", &m_startOnBoot);
    QueryDword(key, "LockOnStart", &m_lockOnStart);
    ::RegCloseKey(key);
    return TRUE;
}

void CSettingsDlg::WriteOptions()
{
    HKEY key = OpenForWriting(m_regKey);
    if (key == nullptr)
        return;
    SetDword(key, "StartOnBoot", m_startOnBoot);
    SetDword(key, "LockOnStart", m_lockOnStart);
    ::RegCloseKey(key);
}

void CSettingsDlg::WriteAutostart(BOOL enabled, const std::string& commandPath)
{
    // The Run key belongs to the platform: never create it.
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    if (enabled)
        ::RegSetValueExA(key, kAutostartValue, 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(commandPath.c_str()),
                         static_cast<DWORD>(commandPath.size() + 1));
    else
        ::RegDeleteValueA(key, kAutostartValue);
    ::RegCloseKey(key);
}
