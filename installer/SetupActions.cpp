// The installers' custom actions, carried in the package and run by Windows Installer in the
// installing user's context.
//
// On uninstall, Vexa's autostart entry of the current user (the value "Vexa" under the Run key,
// the full path of the Vexa.exe that wrote it, in double quotes) would otherwise start a
// program that is gone. The entry is removed only when it names the Vexa.exe being uninstalled:
// an entry of a copy elsewhere stays. Windows Installer cannot condition the removal of a
// registry value on its data, hence this code. Nothing else is touched; the user's remembered
// drive states stay.
//
// An upgrade keeps the entry: the newer Vexa.exe has the same path. Windows tells the removal
// of the older version that it is part of an upgrade (UPGRADINGPRODUCTCODE), and the older
// package then leaves the entry alone; Wine's Windows Installer does not, so the newer package
// also notes the entry before the older version goes and puts it back if it went with it.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Vexa";
// The property in which the upgrading package keeps the entry while the older version goes.
constexpr wchar_t kKeptProperty[] = L"VEXAKEPTAUTOSTART";
// The component of the installed Vexa.exe, by its name in the package's Component table.
constexpr wchar_t kExeComponentQuery[] =
    L"SELECT `ComponentId` FROM `Component` WHERE `Component` = 'VexaExe'";

constexpr DWORD kPathChars = 4096; // longer than any path Vexa.exe is installed to

// Writes a line into the installation log (msiexec /l*v).
void Log(MSIHANDLE install, const wchar_t* text)
{
    MSIHANDLE record = ::MsiCreateRecord(0);
    ::MsiRecordSetStringW(record, 0, text);
    ::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    ::MsiCloseHandle(record);
}

// The full path of the installed Vexa.exe, as Windows Installer registered it for this product
// (so also when the administrator chose another folder than the default).
bool InstalledExe(MSIHANDLE install, wchar_t* path, DWORD size)
{
    wchar_t product[39] = L"";
    DWORD productSize = ARRAYSIZE(product);
    if (::MsiGetPropertyW(install, L"ProductCode", product, &productSize) != ERROR_SUCCESS)
        return false;

    wchar_t component[39] = L"";
    MSIHANDLE database = ::MsiGetActiveDatabase(install);
    MSIHANDLE view = 0;
    MSIHANDLE record = 0;
    bool found = false;
    if (database != 0 && ::MsiDatabaseOpenViewW(database, kExeComponentQuery, &view) == ERROR_SUCCESS &&
        ::MsiViewExecute(view, 0) == ERROR_SUCCESS && ::MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        DWORD componentSize = ARRAYSIZE(component);
        found = ::MsiRecordGetStringW(record, 1, component, &componentSize) == ERROR_SUCCESS;
    }
    if (record != 0)
        ::MsiCloseHandle(record);
    if (view != 0)
        ::MsiCloseHandle(view);
    if (database != 0)
        ::MsiCloseHandle(database);
    if (!found)
        return false;

    const INSTALLSTATE state = ::MsiGetComponentPathW(product, component, path, &size);
    return state == INSTALLSTATE_LOCAL && path[0] != L'\0';
}

// The path an autostart entry starts: its text without the quotes around it.
void Unquote(wchar_t* text)
{
    wchar_t* end = text + ::lstrlenW(text);
    while (end > text && end[-1] == L' ')
        *--end = L'\0';
    if (text[0] == L'"' && end > text + 1 && end[-1] == L'"') {
        end[-1] = L'\0';
        ::MoveMemory(text, text + 1, (end - text - 1) * sizeof(wchar_t));
    }
}

// Both paths name the same file: equal but for case, or once short names are made long.
bool SamePath(const wchar_t* entry, const wchar_t* installed)
{
    if (::CompareStringOrdinal(entry, -1, installed, -1, TRUE) == CSTR_EQUAL)
        return true;
    wchar_t longEntry[kPathChars];
    const DWORD length = ::GetLongPathNameW(entry, longEntry, kPathChars);
    return length > 0 && length < kPathChars &&
           ::CompareStringOrdinal(longEntry, -1, installed, -1, TRUE) == CSTR_EQUAL;
}

// The current user's Run key, or nullptr.
HKEY OpenRunKey(REGSAM access)
{
    HKEY user = nullptr;
    if (::RegOpenCurrentUser(access, &user) != ERROR_SUCCESS)
        return nullptr;
    HKEY run = nullptr;
    if (::RegOpenKeyExW(user, kRunKey, 0, access, &run) != ERROR_SUCCESS)
        run = nullptr;
    ::RegCloseKey(user);
    return run;
}

// The autostart entry's text, quotes included; false when there is none (or it is no string).
bool ReadAutostart(HKEY run, wchar_t* entry, DWORD chars)
{
    DWORD type = REG_NONE;
    DWORD bytes = (chars - 1) * sizeof(wchar_t);
    if (::RegQueryValueExW(run, kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(entry), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    entry[bytes / sizeof(wchar_t)] = L'\0';
    return true;
}

} // namespace

// Runs on uninstall, not when an upgrade removes the older version. Always reports success, as
// all three do: an autostart entry left behind must not stop an uninstall or an upgrade.
extern "C" __declspec(dllexport) UINT __stdcall RemoveAutostart(MSIHANDLE install)
{
    wchar_t installed[kPathChars];
    if (!InstalledExe(install, installed, kPathChars)) {
        Log(install, L"Vexa: the installed Vexa.exe is not known; the autostart entry is left alone.");
        return ERROR_SUCCESS;
    }
    HKEY run = OpenRunKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (run == nullptr)
        return ERROR_SUCCESS;
    wchar_t entry[kPathChars];
    if (ReadAutostart(run, entry, kPathChars)) {
        Unquote(entry);
        if (SamePath(entry, installed)) {
            ::RegDeleteValueW(run, kRunValue);
            Log(install, L"Vexa: removed the autostart entry of the uninstalled Vexa.exe.");
        } else {
            Log(install, L"Vexa: the autostart entry starts another Vexa.exe and stays.");
        }
    }
    ::RegCloseKey(run);
    return ERROR_SUCCESS;
}

// Runs in an upgrade, before the older version is removed: notes the autostart entry.
extern "C" __declspec(dllexport) UINT __stdcall KeepAutostart(MSIHANDLE install)
{
    HKEY run = OpenRunKey(KEY_QUERY_VALUE);
    if (run == nullptr)
        return ERROR_SUCCESS;
    wchar_t entry[kPathChars];
    if (ReadAutostart(run, entry, kPathChars))
        ::MsiSetPropertyW(install, kKeptProperty, entry);
    ::RegCloseKey(run);
    return ERROR_SUCCESS;
}

// Runs in an upgrade, after the older version is removed: puts the noted entry back if the
// removal took it.
extern "C" __declspec(dllexport) UINT __stdcall RestoreAutostart(MSIHANDLE install)
{
    wchar_t kept[kPathChars] = L"";
    DWORD keptChars = kPathChars;
    if (::MsiGetPropertyW(install, kKeptProperty, kept, &keptChars) != ERROR_SUCCESS || kept[0] == L'\0')
        return ERROR_SUCCESS;
    HKEY run = OpenRunKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (run == nullptr)
        return ERROR_SUCCESS;
    wchar_t entry[kPathChars];
    if (!ReadAutostart(run, entry, kPathChars)) {
        ::RegSetValueExW(run, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kept),
                         static_cast<DWORD>((::lstrlenW(kept) + 1) * sizeof(wchar_t)));
        Log(install, L"Vexa: put back the autostart entry the removal of the older version took.");
    }
    ::RegCloseKey(run);
    return ERROR_SUCCESS;
}
