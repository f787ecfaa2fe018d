// Reads and writes single values of the current user's registry the way a user with the
// registry editor would: straight through the platform, whatever their type.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The current user's programs started with Windows; Vexa's entry is the value "Vexa".
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RegistryValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    // The value's first four bytes as a number (zeros where it has fewer).
    DWORD AsDword() const
    {
        DWORD value = 0;
        for (std::size_t i = 0; i < data.size() && i < sizeof(value); ++i)
            value |= static_cast<DWORD>(data[i]) << (8 * i);
        return value;
    }

    std::string AsString() const
    {
        std::string text(data.begin(), data.end());
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        return text;
    }
};

// A key of the current user's, or of another root in the view given (KEY_WOW64_64KEY).
inline bool RegistryKeyExists(const char* path, HKEY root = HKEY_CURRENT_USER, REGSAM view = 0)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

inline RegistryValue ReadRegistryValue(const char* path, const char* name)
{
    RegistryValue value;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        if (::RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size) ==
            ERROR_SUCCESS) {
            value.data.resize(size);
            value.exists = true;
        }
    }
    ::RegCloseKey(key);
    return value;
}

// Creates the key when needed.
inline void WriteRegistryValue(const char* path, const char* name, DWORD type, const void* data,
                               DWORD size)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

inline void WriteRegistryDword(const char* path, const char* name, DWORD value)
{
    WriteRegistryValue(path, name, REG_DWORD, &value, sizeof(value));
}

// What a user would read in the registry editor: the value as text ("<none>" when it does not
// exist), a string as it is, a number in decimal.
inline std::string RegistryText(const char* path, const char* name)
{
    const RegistryValue value = ReadRegistryValue(path, name);
    if (!value.exists)
        return "<none>";
    if (value.type == REG_DWORD)
        return std::to_string(value.AsDword());
    return value.AsString();
}
