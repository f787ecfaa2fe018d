// The settings store against Wine's real registry in the test prefix: the program's key under
// HKEY_CURRENT_USER, written and read the way a user's registry editor would see it.
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"
#include "support/TrayMenuItems.h"

#include "framework/UniqueHandle.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <sddl.h>

#include <vector>

namespace {

// Under Wine every drive's request fails at start, so nothing is written before the test does.
class SettingsStoreTest : public SettingsDialogTest {
protected:
    // Gives the dialog these options, read from the program's key, which goes again.
    void HoldOptions(DWORD startOnBoot, DWORD lockOnStart)
    {
        WriteRegistryDword(kProgramKey, "StartOnBoot", startOnBoot);
        WriteRegistryDword(kProgramKey, "LockOnStart", lockOnStart);
        EXPECT_TRUE(dlg->ReadOptions());
        DeleteProgramKey();
    }

    // The options the dialog holds, as it writes them into a new program's key: StartOnBoot,
    // then LockOnStart.
    std::vector<DWORD> HeldOptions()
    {
        DeleteProgramKey();
        dlg->WriteOptions();
        return {ReadRegistryValue(kProgramKey, "StartOnBoot").AsDword(),
                ReadRegistryValue(kProgramKey, "LockOnStart").AsDword()};
    }
};

TEST_F(SettingsStoreTest, FreshAccountReadsNothingAndTheFirstWriteCreatesTheKey)
{
    HoldOptions(5, 6);
    ASSERT_FALSE(RegistryKeyExists(kProgramKey));
    EXPECT_EQ(0u, dlg->ReadDriveState("D:"));
    EXPECT_FALSE(dlg->ReadOptions());
    EXPECT_FALSE(RegistryKeyExists(kProgramKey)); // reading creates nothing

    dlg->WriteDriveState("D:", 1);
    const RegistryValue drive = ReadRegistryValue(kProgramKey, "D:");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), drive.type);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), drive.data);
    EXPECT_EQ(1u, dlg->ReadDriveState("D:"));
    EXPECT_EQ(0u, dlg->ReadDriveState("E:")); // key present, value missing

    // The failed read kept what the options held.
    dlg->WriteOptions();
    for (const char* name : {"StartOnBoot", "LockOnStart"}) {
        SCOPED_TRACE(name);
        const RegistryValue option = ReadRegistryValue(kProgramKey, name);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), option.type);
        EXPECT_EQ(4u, option.data.size());
    }
    EXPECT_EQ("5", RegistryText(kProgramKey, "StartOnBoot"));
    EXPECT_EQ("6", RegistryText(kProgramKey, "LockOnStart"));

    WriteRegistryDword(kProgramKey, "StartOnBoot", 1);
    WriteRegistryDword(kProgramKey, "LockOnStart", 0);
    EXPECT_TRUE(dlg->ReadOptions());
    EXPECT_EQ((std::vector<DWORD>{1, 0}), HeldOptions());
}

TEST_F(SettingsStoreTest, ValuesOfAnotherTypeAreReadOnlyWhereThePlatformDeliversThemWhole)
{
    const std::vector<BYTE> hundred(100, 1);
    const ULONGLONG qword = 1;
    const struct {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        DWORD read; // by ReadDriveState, whose pre-set is 0
    } cases[] = {
        {"REG_SZ \"1\"", REG_SZ, {'1', 0}, 0x31},
        {"REG_BINARY of 1 byte", REG_BINARY, {1}, 1},
        {"REG_BINARY of 4 bytes", REG_BINARY, {1, 0, 0, 0}, 1},
        {"REG_BINARY of 100 bytes", REG_BINARY, hundred, 0},
        {"REG_QWORD 1", REG_QWORD,
         std::vector<BYTE>(reinterpret_cast<const BYTE*>(&qword),
                           reinterpret_cast<const BYTE*>(&qword) + sizeof(qword)),
         0},
        {"REG_SZ \"1234\"", REG_SZ, {'1', '2', '3', '4', 0}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRegistryValue(kProgramKey, "D:", c.type, c.data.data(),
                           static_cast<DWORD>(c.data.size()));
        EXPECT_EQ(c.read, dlg->ReadDriveState("D:"));
    }

    // The options keep what they held where a value is not delivered; a short value replaces
    // only its own bytes.
    const BYTE one = 1;
    HoldOptions(0xAAAAAAAA, 0xBBBBBBBB);
    WriteRegistryValue(kProgramKey, "StartOnBoot", REG_BINARY, &one, 1);
    WriteRegistryValue(kProgramKey, "LockOnStart", REG_BINARY, hundred.data(), 100);
    EXPECT_TRUE(dlg->ReadOptions());
    EXPECT_EQ((std::vector<DWORD>{0xAAAAAA01, 0xBBBBBBBB}), HeldOptions());

    WriteRegistryValue(kProgramKey, "StartOnBoot", REG_QWORD, &qword, sizeof(qword));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_SET_VALUE, &key));
    ::RegDeleteValueA(key, "LockOnStart");
    ::RegCloseKey(key);
    EXPECT_TRUE(dlg->ReadOptions());
    EXPECT_EQ((std::vector<DWORD>{0xAAAAAA01, 0xBBBBBBBB}), HeldOptions());
}

// Gives the program's key the access rules of a security descriptor string (SDDL).
bool SetProgramKeyAccess(const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                &descriptor, nullptr))
        return false;
    HKEY key = nullptr;
    LONG result = ::RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, WRITE_DAC, &key);
    if (result == ERROR_SUCCESS) {
        result = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        ::RegCloseKey(key);
    }
    ::LocalFree(descriptor);
    return result == ERROR_SUCCESS;
}

TEST_F(SettingsStoreTest, KeyThatMayOnlyBeReadStillGivesItsLocksAndOptions)
{
    WriteRegistryDword(kProgramKey, "D:", 1);
    WriteRegistryDword(kProgramKey, "StartOnBoot", 1);
    WriteRegistryDword(kProgramKey, "LockOnStart", 1);
    // Everyone may read the key and no one may change it, as on a locked-down account.
    ASSERT_TRUE(SetProgramKeyAccess("D:(A;;KR;;;WD)"));
    // (Only EXPECTs from here on: the key must get its access back for the clean-up.)
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              ::RegOpenKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, KEY_ALL_ACCESS, &key));

    EXPECT_EQ(1u, dlg->ReadDriveState("D:"));
    EXPECT_TRUE(dlg->ReadOptions());

    // At start the remembered lock is taken up, and the window shows the start with Windows.
    DestroyDialog();
    StartDialog();
    EXPECT_EQ(DriveItems({"Unlock drive D:", "Lock drive E:"}), ShownDriveItems());
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), ::IsDlgButtonChecked(dlg->m_hWnd, IDC_AUTOSTART));
    EXPECT_TRUE(SetProgramKeyAccess("D:(A;;KA;;;WD)"));

    // Both options were read: they are what the dialog writes once the key may be changed.
    EXPECT_EQ((std::vector<DWORD>{1, 1}), HeldOptions());
}

// Moves the Run key aside for the test (the prefix is the test's own, but its content is
// restored all the same) and puts it back afterwards.
class RunKeyAside {
public:
    RunKeyAside() : m_existed(RegistryKeyExists(kRunKey))
    {
        if (m_existed)
            Move(kRunKey, kBackup);
    }
    ~RunKeyAside()
    {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kRunKey);
        if (m_existed)
            Move(kBackup, kRunKey);
    }
    RunKeyAside(const RunKeyAside&) = delete;
    RunKeyAside& operator=(const RunKeyAside&) = delete;

private:
    static void Move(const char* from, const char* to)
    {
        HKEY source = nullptr;
        HKEY target = nullptr;
        ::RegOpenKeyExA(HKEY_CURRENT_USER, from, 0, KEY_READ, &source);
        ::RegCreateKeyA(HKEY_CURRENT_USER, to, &target);
        ::RegCopyTreeA(source, nullptr, target);
        ::RegCloseKey(target);
        ::RegCloseKey(source);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, from);
    }
    static constexpr const char* kBackup = "Software\\Vexa tests: Run key set aside";
    bool m_existed = false;
};

// The entry names the program file whatever the characters of its folder, beyond any code page.
TEST_F(SettingsStoreTest, AutostartEntryIsSetAndRemovedButTheRunKeyNeverCreated)
{
    const wchar_t path[] = L"\"C:\\Programs\\\x03A9mega Tools\\\x65E5\x672C\\Vexa.exe\"";
    RunKeyAside aside;
    ASSERT_FALSE(RegistryKeyExists(kRunKey));
    dlg->WriteAutostart(TRUE, path);
    dlg->WriteAutostart(FALSE, path);
    EXPECT_FALSE(RegistryKeyExists(kRunKey));

    CRegKey run;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyA(HKEY_CURRENT_USER, kRunKey, run.Receive()));
    dlg->WriteAutostart(TRUE, path);
    wchar_t stored[MAX_PATH] = L"";
    DWORD size = sizeof(stored);
    DWORD type = REG_NONE;
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(run.Get(), L"Vexa", nullptr, &type,
                                                reinterpret_cast<BYTE*>(stored), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(sizeof(path), size) << "the text and its terminating zero";
    EXPECT_EQ(Utf8(path), Utf8(stored));

    dlg->WriteAutostart(FALSE, path);
    EXPECT_FALSE(ReadRegistryValue(kRunKey, "Vexa").exists);
    dlg->WriteAutostart(FALSE, path); // nothing there: nothing happens
    EXPECT_FALSE(ReadRegistryValue(kRunKey, "Vexa").exists);
    EXPECT_TRUE(RegistryKeyExists(kRunKey));
    EXPECT_FALSE(RegistryKeyExists(kProgramKey)); // the autostart entry is all it touches
}

} // namespace
