// The 64-bit Windows Installer package of this build, installed, started, upgraded and removed
// with the platform's own msiexec in the test prefix, the way an administrator deploys it:
// silently. The packages are made by scripts/package.sh before these tests run: this build's
// version into packages\current, an older version into packages\older, and this build's
// packages signed with a throwaway certificate into packages\signed, next to this program.
#include "e2e/VexaProcess.h"
#include "support/PolicyKeys.h"
#include "support/RegistryValues.h"
#include "support/TestSupport.h"

#include "VexaVersion.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kProductName[] = "Vexa (64-bit)";

std::string CurrentPackage()
{
    return TestDirectory() + "\\packages\\current\\Vexa-" VEXA_VERSION_DOTTED "-x64.msi";
}

std::string OlderPackage()
{
    return TestDirectory() + "\\packages\\older\\Vexa-" VEXA_OLDER_VERSION "-x64.msi";
}

std::string SignedPackage()
{
    return TestDirectory() + "\\packages\\signed\\Vexa-" VEXA_VERSION_DOTTED "-x64.msi";
}

// A value of the package's Property table, read from the package file.
std::string PackageProperty(const std::string& package, const char* name)
{
    std::string value;
    MSIHANDLE database = 0;
    if (::MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &database) != ERROR_SUCCESS)
        return value;
    const std::string query = std::string("SELECT `Value` FROM `Property` WHERE `Property` = '") + name + "'";
    MSIHANDLE view = 0;
    MSIHANDLE record = 0;
    if (::MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
        ::MsiViewExecute(view, 0) == ERROR_SUCCESS && ::MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        char text[256] = "";
        DWORD size = sizeof(text);
        if (::MsiRecordGetStringA(record, 1, text, &size) == ERROR_SUCCESS)
            value = text;
        ::MsiCloseHandle(record);
    }
    if (view != 0)
        ::MsiCloseHandle(view);
    ::MsiCloseHandle(database);
    return value;
}

// The product codes Windows Installer has registered under the package's upgrade code.
std::vector<std::string> InstalledProducts(const std::string& upgradeCode)
{
    std::vector<std::string> products;
    char product[39];
    for (DWORD i = 0; ::MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS; ++i)
        products.push_back(product);
    return products;
}

struct MsiexecRun {
    bool finished = false;
    DWORD exitCode = 0;
    std::string message; // the text of the message box it showed, when asked to answer one
    std::string log;     // msiexec's verbose log, to show when a check fails
};

BOOL CALLBACK FindMessageBox(HWND window, LPARAM lparam)
{
    auto* search = reinterpret_cast<std::pair<DWORD, HWND>*>(lparam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->first && ClassName(window) == "#32770" && !MessageBoxText(window).empty()) {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}

// Runs msiexec with the arguments and a verbose log, and waits for it: at most five minutes,
// which only guards against a hang. With answerMessageBox, it waits (see WaitFor) for the
// message box msiexec shows, records its text and answers it with OK.
MsiexecRun Msiexec(const std::string& arguments, bool answerMessageBox = false)
{
    char temp[MAX_PATH] = "";
    ::GetTempPathA(sizeof(temp), temp);
    char logPath[MAX_PATH] = "";
    ::GetTempFileNameA(temp, "msi", 0, logPath);
    std::string commandLine = "msiexec.exe " + arguments + " /l*v \"" + logPath + "\"";

    MsiexecRun run;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
        if (answerMessageBox) {
            std::pair<DWORD, HWND> search(process.dwProcessId, nullptr);
            EXPECT_TRUE(WaitFor(
                [&] {
                    ::EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search));
                    return search.second != nullptr ||
                           ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
                },
                "msiexec's message box, or its end"));
            if (search.second != nullptr) {
                run.message = MessageBoxText(search.second);
                PressOk(search.second);
            }
        }
        run.finished = ::WaitForSingleObject(process.hProcess, 5 * 60 * 1000) == WAIT_OBJECT_0;
        if (!run.finished)
            ::TerminateProcess(process.hProcess, 1);
        ::GetExitCodeProcess(process.hProcess, &run.exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    std::ifstream file(logPath, std::ios::binary);
    run.log.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    file.close();
    ::DeleteFileA(logPath);
    return run;
}

// Expects msiexec to have finished with the exit code; shows the command and its log if not.
#define EXPECT_MSIEXEC(expectedCode, arguments)                                                    \
    do {                                                                                           \
        const MsiexecRun run_ = Msiexec(arguments);                                                \
        EXPECT_TRUE(run_.finished) << "msiexec " << (arguments) << " did not end within 5 minutes";  \
        EXPECT_EQ(static_cast<DWORD>(expectedCode), run_.exitCode)                                 \
            << "exit code of msiexec " << (arguments) << "\n" << run_.log;                         \
    } while (false)

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string Upper(std::string text)
{
    ::CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string KnownFolder(int csidl)
{
    char path[MAX_PATH] = "";
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string InstallFolder()
{
    return KnownFolder(CSIDL_PROGRAM_FILES) + "\\Vexa";
}

std::string InstalledExe()
{
    return InstallFolder() + "\\Vexa.exe";
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Every file and folder under the folder, by its path relative to it.
std::set<std::string> FolderContents(const std::string& folder, const std::string& prefix = "")
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        names.insert(prefix + name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            for (const std::string& inner : FolderContents(folder + "\\" + name, prefix + name + "\\"))
                names.insert(inner);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// The file version of the version resource, "1.0.0.1"; empty without one.
std::string FileVersion(const std::string& path)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return std::string();
    std::vector<char> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length))
        return std::string();
    std::ostringstream text;
    text << HIWORD(fixed->dwFileVersionMS) << '.' << LOWORD(fixed->dwFileVersionMS) << '.'
         << HIWORD(fixed->dwFileVersionLS) << '.' << LOWORD(fixed->dwFileVersionLS);
    return text.str();
}

// A value of the product's entry under Programs and Features; "<none>" without one.
std::string UninstallEntry(const std::string& productCode, const char* name)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + productCode).c_str(), 0,
                        KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return "<none>";
    char data[1024] = "";
    DWORD size = sizeof(data) - 1;
    DWORD type = REG_NONE;
    std::string value = "<none>";
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        value = type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : std::string(data);
    ::RegCloseKey(key);
    return value;
}

bool UninstallEntryExists(const std::string& productCode)
{
    return RegistryKeyExists((kUninstallKey + productCode).c_str(), HKEY_LOCAL_MACHINE,
                             KEY_WOW64_64KEY);
}

// The Start-menu shortcut. Windows puts a per-machine package's shortcut into the Programs
// folder of all users; Wine's Windows Installer always uses the installing user's (it resolves
// ProgramMenuFolder without regard to ALLUSERS), so both are looked at.
std::vector<std::string> Shortcuts()
{
    std::vector<std::string> found;
    for (int csidl : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        const std::string path = KnownFolder(csidl) + "\\" + kProductName + ".lnk";
        if (FileExists(path))
            found.push_back(path);
    }
    return found;
}

struct ShortcutTarget {
    std::string path;
    std::string workingDirectory;
};

ShortcutTarget ReadShortcut(const std::string& shortcut)
{
    ShortcutTarget target;
    IShellLinkA* link = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(shortcut.begin(), shortcut.end());
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
            char text[MAX_PATH] = "";
            if (SUCCEEDED(link->GetPath(text, sizeof(text), nullptr, 0)))
                target.path = text;
            if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof(text))))
                target.workingDirectory = text;
        }
        file->Release();
    }
    link->Release();
    return target;
}

// Puts a value of the current user's registry back as it was when the object was made.
class RestoredValue {
public:
    RestoredValue(const char* key, const char* name)
        : m_key(key), m_name(name), m_saved(ReadRegistryValue(key, name))
    {
    }
    ~RestoredValue()
    {
        if (m_saved.exists) {
            WriteRegistryValue(m_key, m_name, m_saved.type, m_saved.data.data(),
                               static_cast<DWORD>(m_saved.data.size()));
            return;
        }
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, m_key, m_name);
    }
    RestoredValue(const RestoredValue&) = delete;
    RestoredValue& operator=(const RestoredValue&) = delete;

private:
    const char* m_key;
    const char* m_name;
    RegistryValue m_saved;
};

// A value of the lock service's key ("" when there is none): what the service manager holds of it.
std::string LockServiceValue(const char* name)
{
    char text[1024] = "";
    DWORD size = sizeof(text) - 1, type = REG_NONE;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\VexaLock", name,
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_RT_REG_DWORD | RRF_NOEXPAND, &type,
                       text, &size) != ERROR_SUCCESS)
        return "";
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<const DWORD*>(text)) : text;
}

// sc.exe, as an administrator types it: what it prints.
std::string Sc(const std::string& arguments)
{
    char system[MAX_PATH] = "";
    ::GetSystemDirectoryA(system, sizeof(system));
    return RunProgram(std::string(system) + "\\sc.exe", arguments).output;
}

bool LockServiceIs(const char* state)
{
    return Sc("query VexaLock").find(state) != std::string::npos;
}

void WriteAutostart(const std::string& command)
{
    WriteRegistryValue(kRunKey, "Vexa", REG_SZ, command.c_str(), static_cast<DWORD>(command.size() + 1));
}

// Each test starts without Vexa installed and leaves the prefix as it found it: whatever it
// installed is uninstalled, and the registry values it sets are put back.
class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        for (const std::string& package : {CurrentPackage(), OlderPackage()})
            ASSERT_TRUE(FileExists(package)) << package << " is missing: scripts/package.sh makes it";
        m_upgradeCode = PackageProperty(CurrentPackage(), "UpgradeCode");
        m_productCode = PackageProperty(CurrentPackage(), "ProductCode");
        m_olderProductCode = PackageProperty(OlderPackage(), "ProductCode");
        ASSERT_FALSE(m_upgradeCode.empty());
        ASSERT_EQ(m_upgradeCode, PackageProperty(OlderPackage(), "UpgradeCode"));
        ASSERT_NE(m_productCode, m_olderProductCode);
        ASSERT_EQ(std::vector<std::string>(), InstalledProducts(m_upgradeCode))
            << "a Vexa package is installed before the test";
        m_hadProgramKey = RegistryKeyExists(kProgramKey);
    }

    void TearDown() override
    {
        for (const std::string& product : InstalledProducts(m_upgradeCode))
            Msiexec("/x " + product + " /qn");
        EXPECT_EQ(std::vector<std::string>(), InstalledProducts(m_upgradeCode)) << "left installed";
        if (!m_hadProgramKey)
            DeleteProgramKey();
        ::CoUninitialize();
    }

    std::string m_upgradeCode;
    std::string m_productCode;
    std::string m_olderProductCode;
    bool m_hadProgramKey = false;
    RestoredValue m_autostart{kRunKey, "Vexa"};
    RestoredValue m_driveD{kProgramKey, "D:"};
    RestoredValue m_driveE{kProgramKey, "E:"};
};

TEST_F(Installer, SilentInstallPutsTheProgramShortcutAndUninstallEntryInPlace)
{
    EXPECT_MSIEXEC(0, "/i " + Quoted(CurrentPackage()) + " /qn");

    // The administrative template comes with its texts in every language Vexa speaks.
    std::set<std::string> expected{"LICENSE.txt", "PolicyDefinitions", "PolicyDefinitions\\Vexa.admx",
                                   "Vexa.exe"};
    for (const std::string language :
         {"en-US", "de-DE", "fr-FR", "es-ES", "it-IT", "pt-BR", "pl-PL", "ru-RU", "ja-JP", "zh-CN",
          "zh-TW", "ko-KR", "nl-NL", "tr-TR", "cs-CZ", "sv-SE", "uk-UA", "ar-SA", "he-IL"}) {
        expected.insert("PolicyDefinitions\\" + language);
        expected.insert("PolicyDefinitions\\" + language + "\\Vexa.adml");
    }
    EXPECT_EQ(expected, FolderContents(InstallFolder()));
    EXPECT_TRUE(FileBytes(TestDirectory() + "\\Vexa.exe") == FileBytes(InstalledExe()))
        << "the installed Vexa.exe is not the one of this build";
    EXPECT_EQ(VEXA_VERSION_DOTTED, FileVersion(InstalledExe()));

    const std::vector<std::string> shortcuts = Shortcuts();
    ASSERT_EQ(1u, shortcuts.size()) << "one shortcut named \"" << kProductName << "\" in a Programs folder";
    const ShortcutTarget target = ReadShortcut(shortcuts[0]);
    EXPECT_EQ(InstalledExe(), target.path);
    EXPECT_EQ(InstallFolder() + "\\", target.workingDirectory);

    EXPECT_EQ(std::vector<std::string>{m_productCode}, InstalledProducts(m_upgradeCode));
    EXPECT_EQ(INSTALLSTATE_DEFAULT, ::MsiQueryProductStateA(m_productCode.c_str()));
    EXPECT_EQ("", LockServiceValue("ImagePath")) << "the lock service came without LOCKSERVICE=1";
    EXPECT_EQ(kProductName, UninstallEntry(m_productCode, "DisplayName"));
    EXPECT_EQ(VEXA_VERSION_DOTTED, UninstallEntry(m_productCode, "DisplayVersion"));
    EXPECT_EQ("Brindle Corporation", UninstallEntry(m_productCode, "Publisher"));
    EXPECT_EQ("1", UninstallEntry(m_productCode, "NoModify"));
    EXPECT_NE(std::string::npos, UninstallEntry(m_productCode, "UninstallString").find(m_productCode));
}

// The signed package is the same product; Windows Installer takes it silently, and its signed
// Vexa.exe (checked from Linux by Packages.Signed) is what lands in Program Files.
TEST_F(Installer, SignedPackageInstallsAndUninstallsSilently)
{
    ASSERT_TRUE(FileExists(SignedPackage()))
        << SignedPackage() << " is missing: scripts/package.sh --sign makes it";
    EXPECT_EQ(m_productCode, PackageProperty(SignedPackage(), "ProductCode"));

    EXPECT_MSIEXEC(0, "/i " + Quoted(SignedPackage()) + " /qn");
    EXPECT_EQ(std::vector<std::string>{m_productCode}, InstalledProducts(m_upgradeCode));
    EXPECT_EQ(VEXA_VERSION_DOTTED, FileVersion(InstalledExe()));
    EXPECT_FALSE(FileBytes(TestDirectory() + "\\Vexa.exe") == FileBytes(InstalledExe()))
        << "the installed Vexa.exe is the unsigned one of this build";

    EXPECT_MSIEXEC(0, "/x " + Quoted(SignedPackage()) + " /qn");
    EXPECT_FALSE(FileExists(InstallFolder())) << InstallFolder() << " is left";
    EXPECT_EQ(std::vector<std::string>(), InstalledProducts(m_upgradeCode));
}

TEST_F(Installer, InstalledVexaStartsInTheTrayAndWritesNothingIntoItsFolder)
{
    EXPECT_MSIEXEC(0, "/i " + Quoted(CurrentPackage()) + " /qn");
    const std::set<std::string> installed = FolderContents(InstallFolder());
    {
        VexaProcess vexa(InstallFolder(), InstalledExe());
        ASSERT_TRUE(vexa.Started()) << "could not start " << InstalledExe();
        EXPECT_TRUE(WaitFor([&] { return TrayHasIcon(vexa.TrayWindow(), kTrayIconId); },
                            "the installed Vexa's icon in the notification area"))
            << "the installed Vexa showed no tray icon";
        ASSERT_TRUE(vexa.WaitForStart());
        EXPECT_EQ(nullptr, vexa.MessageBox());

        vexa.Command(ID_TRAY_SETTINGS);
        EXPECT_TRUE(::IsWindowVisible(vexa.SettingsWindow())) << "Settings... did not show the window";
        ::PostMessageA(vexa.SettingsWindow(), WM_COMMAND, ID_TRAY_EXIT, 0);
        DWORD exitCode = 1;
        EXPECT_TRUE(vexa.WaitForExit(&exitCode)) << "the installed Vexa did not end on Exit";
        EXPECT_EQ(0u, exitCode);
    }
    EXPECT_EQ(installed, FolderContents(InstallFolder()));
}

// Uninstalling removes the files, the shortcut and the uninstall entry, and the autostart entry
// when it starts the uninstalled Vexa.exe; the remembered drive states stay.
TEST_F(Installer, SilentUninstallRemovesWhatTheInstallAddedAndKeepsTheDriveStates)
{
    const struct {
        std::string autostart;
        bool removed;
    } cases[] = {
        {Quoted(InstalledExe()), true},
        {Upper(Quoted(InstalledExe())), true}, // the same path but for case
        {Quoted("C:\\Tools\\Vexa\\Vexa.exe"), false},  // a copy elsewhere
        {Quoted(InstallFolder() + "\\Vexa-old.exe"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("autostart " + c.autostart);
        EXPECT_MSIEXEC(0, "/i " + Quoted(CurrentPackage()) + " /qn");
        WriteAutostart(c.autostart);
        WriteRegistryDword(kProgramKey, "D:", 1);
        WriteRegistryDword(kProgramKey, "E:", 0);

        EXPECT_MSIEXEC(0, "/x " + Quoted(CurrentPackage()) + " /qn");

        EXPECT_FALSE(FileExists(InstallFolder())) << InstallFolder() << " is left";
        EXPECT_EQ(std::vector<std::string>(), Shortcuts());
        EXPECT_FALSE(UninstallEntryExists(m_productCode));
        EXPECT_EQ(INSTALLSTATE_UNKNOWN, ::MsiQueryProductStateA(m_productCode.c_str()));
        EXPECT_EQ(c.removed ? "<none>" : c.autostart, RegistryText(kRunKey, "Vexa"));
        EXPECT_EQ("1", RegistryText(kProgramKey, "D:"));
        EXPECT_EQ("0", RegistryText(kProgramKey, "E:"));
    }
}

TEST_F(Installer, NewerPackageReplacesTheOlderOneAndKeepsTheAutostart)
{
    EXPECT_MSIEXEC(0, "/i " + Quoted(OlderPackage()) + " /qn");
    ASSERT_EQ(VEXA_OLDER_VERSION, FileVersion(InstalledExe()));
    WriteAutostart(Quoted(InstalledExe()));

    EXPECT_MSIEXEC(0, "/i " + Quoted(CurrentPackage()) + " /qn");

    EXPECT_EQ(std::vector<std::string>{m_productCode}, InstalledProducts(m_upgradeCode));
    EXPECT_FALSE(UninstallEntryExists(m_olderProductCode));
    EXPECT_EQ(VEXA_VERSION_DOTTED, UninstallEntry(m_productCode, "DisplayVersion"));
    EXPECT_EQ(VEXA_VERSION_DOTTED, FileVersion(InstalledExe()));
    EXPECT_EQ(1u, Shortcuts().size());
    EXPECT_EQ(Quoted(InstalledExe()), RegistryText(kRunKey, "Vexa"));
}

// LOCKSERVICE=1 installs the lock service and starts it; it answers for the drives it holds
// (under Wine every lock request on the prefix's folder drives is refused, so the lock itself
// is judged in the real-drive test). An upgrade keeps the service; removal stops and deletes it.
TEST_F(Installer, LockServiceComesWithLockServiceOneRunsStopsAndGoesWithTheProduct)
{
    PolicyKeys policies;
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    EXPECT_MSIEXEC(0, "/i " + Quoted(OlderPackage()) + " /qn LOCKSERVICE=1");
    EXPECT_MSIEXEC(0, "/i " + Quoted(CurrentPackage()) + " /qn"); // the upgrade
    // Windows Installer writes the program's path in quotes; Wine's leaves them out.
    const std::string path = LockServiceValue("ImagePath");
    EXPECT_TRUE(path == Quoted(InstalledExe()) + " /service" || path == InstalledExe() + " /service")
        << path;
    EXPECT_EQ("Vexa drive lock", LockServiceValue("DisplayName"));
    EXPECT_EQ("LocalSystem", LockServiceValue("ObjectName"));
    EXPECT_EQ(std::to_string(SERVICE_AUTO_START), LockServiceValue("Start"));
    EXPECT_TRUE(WaitFor([] { return LockServiceIs("RUNNING"); }, "the lock service running"));

    const CommandRun status = RunProgram(InstalledExe(), "/status");
    EXPECT_EQ("D: locked (administrator)\r\nE: locked (administrator)\r\n", status.output);
    const CommandRun unlock = RunProgram(InstalledExe(), "/unlock D:");
    EXPECT_EQ(3u, unlock.exitCode) << unlock.output;

    Sc("stop VexaLock");
    EXPECT_TRUE(WaitFor([] { return LockServiceIs("STOPPED"); }, "the lock service stopped"));
    EXPECT_EQ("D: locked (enforced by an administrator)\r\nE: locked (enforced by an administrator)\r\n",
              RunProgram(InstalledExe(), "/status").output);
    Sc("start VexaLock");
    EXPECT_TRUE(WaitFor([] { return LockServiceIs("RUNNING"); }, "the lock service started"));
    // By hand, /service says what it is and ends.
    const CommandRun byHand = RunProgram(InstalledExe(), "/service");
    EXPECT_EQ(2u, byHand.exitCode);
    EXPECT_NE(std::string::npos, byHand.output.find("service manager")) << byHand.output;

    EXPECT_MSIEXEC(0, "/x " + Quoted(CurrentPackage()) + " /qn");
    EXPECT_EQ("", LockServiceValue("ImagePath")) << "the lock service outlived its product";
}

TEST_F(Installer, OlderPackageIsRefusedWithAMessage)
{
    EXPECT_MSIEXEC(0, "/i " + Quoted(CurrentPackage()) + " /qn");

    EXPECT_MSIEXEC(ERROR_INSTALL_FAILURE, "/i " + Quoted(OlderPackage()) + " /qn");
    EXPECT_EQ(std::vector<std::string>{m_productCode}, InstalledProducts(m_upgradeCode));
    EXPECT_EQ(VEXA_VERSION_DOTTED, FileVersion(InstalledExe()));

    // With msiexec's basic user interface, as a user starting the package sees it.
    const MsiexecRun refusal = Msiexec("/i " + Quoted(OlderPackage()) + " /qb", true);
    EXPECT_EQ("A newer version of Vexa (64-bit) is already installed. To install this older version, "
              "uninstall the newer one first.",
              refusal.message);
    EXPECT_TRUE(refusal.finished) << "msiexec did not end after the message";
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_FAILURE), refusal.exitCode);
    EXPECT_EQ(std::vector<std::string>{m_productCode}, InstalledProducts(m_upgradeCode));
    EXPECT_EQ(VEXA_VERSION_DOTTED, FileVersion(InstalledExe()));
}

} // namespace
