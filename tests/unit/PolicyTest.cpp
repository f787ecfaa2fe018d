// Settings an administrator enforces: the policy key under HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER of the real registry, the real dialog and its tray menu, and the stand-in
// drivers of FakeDrives for the lock requests.
#include "support/FakeDrives.h"
#include "support/PolicyKeys.h"
#include "support/RegistryValues.h"
#include "support/SettingsDialogFixture.h"
#include "support/TrayMenuItems.h"

#include "app/CommandLine.h"
#include "drives/Policy.h"
#include "framework/UniqueHandle.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <vector>

namespace {

using Requests = std::vector<std::string>;

TEST(PolicyRead, OnlyAWholeDwordOfZeroOrOneCountsAndTheMachineWins)
{
    PolicyKeys keys;
    EXPECT_EQ(Policies(), ReadPolicies()) << "no key: nothing configured";

    struct Case {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        PolicyValue expected;
    };
    const Case cases[] = {
        {"0", REG_DWORD, {0, 0, 0, 0}, PolicyValue::Off},
        {"1", REG_DWORD, {1, 0, 0, 0}, PolicyValue::On},
        {"2", REG_DWORD, {2, 0, 0, 0}, PolicyValue::NotConfigured},
        {"0x100", REG_DWORD, {0, 1, 0, 0}, PolicyValue::NotConfigured},
        {"string 1", REG_SZ, {'1', 0}, PolicyValue::NotConfigured},
        {"one byte", REG_BINARY, {1}, PolicyValue::NotConfigured},
        {"qword 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, PolicyValue::NotConfigured},
    };
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(root == HKEY_LOCAL_MACHINE ? "machine " : "user ") + c.what);
            DeletePolicies();
            SetPolicy(root, kPolicyLockAllDrives, c.type, c.data.data(),
                      static_cast<DWORD>(c.data.size()));
            SetPolicy(root, kPolicyRunAtStartup, c.type, c.data.data(),
                      static_cast<DWORD>(c.data.size()));
            const Policies read = ReadPolicies();
            EXPECT_EQ(c.expected, read.lockAllDrives);
            EXPECT_EQ(c.expected, read.runAtStartup);
        }
    }

    DeletePolicies();
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 0);
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 1);
    SetPolicy(HKEY_CURRENT_USER, kPolicyRunAtStartup, 1);
    Policies read = ReadPolicies();
    EXPECT_EQ(PolicyValue::Off, read.lockAllDrives) << "the machine's value wins";
    EXPECT_EQ(PolicyValue::On, read.runAtStartup) << "the user's counts where the machine has none";

    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, REG_SZ, "0", 2);
    EXPECT_EQ(PolicyValue::On, ReadPolicies().lockAllDrives)
        << "a machine value of the wrong type is not configured: the user's counts";
}

// Policies written before each start of the dialog.
class PolicyTest : public SettingsDialogTest {
protected:
    void SetUp() override
    {
        DeleteProgramKey();
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "Vexa");
    }
    void TearDown() override
    {
        SettingsDialogTest::TearDown();
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunKey, "Vexa");
    }

    void PolicyChanged(const char* area = "Policy")
    {
        ::SendMessageA(dlg->m_hWnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(area));
    }

    PolicyKeys keys;
    FakeDrives drives;
};

const MenuItem kNote = {"Drive locks are managed by your administrator", ID_TRAY_POLICYNOTE, true};

TEST_F(PolicyTest, LockAllDrivesOnLocksEveryDriveAtStartAndGreysEveryUnlock)
{
    WriteRegistryDword(kProgramKey, "D:", 0);
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLockAllDrives, 1);
    StartDialog();

    EXPECT_EQ((Requests{"D:0", "D:1", "E:0", "E:1"}), drives.RemovalRequests());
    EXPECT_FALSE(drives.EjectWorks("D:"));
    EXPECT_FALSE(drives.EjectWorks("E:"));
    EXPECT_EQ(0u, ReadRegistryValue(kProgramKey, "D:").AsDword()) << "the user's choice stays";
    EXPECT_FALSE(ReadRegistryValue(kProgramKey, "E:").exists);
    EXPECT_EQ((MenuItems{{"Unlock drive D:", ID_DRIVE_FIRST, true},
                    {"Unlock drive E:", ID_DRIVE_FIRST + 1, true},
                    kNote} +
                   CommandItems(false, true)),
              ShownMenu());

    drives.Forget();
    Command(ID_DRIVE_FIRST);
    Command(ID_TRAY_UNLOCKALL);
    std::vector<DriveAnswer> answers; // from the command line, also when a drive is named
    SendCommand({kCommandVersion, kCommandUnlock, 1u << ('E' - 'A')}, &answers);
    EXPECT_EQ(kExitForbidden, CommandExitCode(answers));
    EXPECT_TRUE(drives.requests.empty()) << "a forbidden command does nothing";
}

TEST_F(PolicyTest, LockAllDrivesOffUnlocksAtStartAndGreysEveryLock)
{
    WriteRegistryDword(kProgramKey, "D:", 1);
    drives.lockCount["D:"] = 1; // left by an earlier run
    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 0);
    StartDialog();

    EXPECT_EQ((Requests{"D:0", "E:0"}), drives.RemovalRequests());
    EXPECT_TRUE(drives.EjectWorks("D:"));
    EXPECT_EQ(1u, ReadRegistryValue(kProgramKey, "D:").AsDword()) << "the user's choice stays";
    EXPECT_EQ((MenuItems{{"Lock drive D:", ID_DRIVE_FIRST, true},
                    {"Lock drive E:", ID_DRIVE_FIRST + 1, true},
                    kNote} +
                   CommandItems(true, false)),
              ShownMenu());

    drives.Forget();
    Command(ID_DRIVE_FIRST + 1);
    Command(ID_TRAY_LOCKALL);
    EXPECT_TRUE(drives.requests.empty());
}

TEST_F(PolicyTest, NewPoliciesApplyWhenWindowsSaysSoAndTheUserDecidesOnceTheyAreGone)
{
    StartDialog();
    EXPECT_EQ((MenuItems{{"Lock drive D:", ID_DRIVE_FIRST, false},
                    {"Lock drive E:", ID_DRIVE_FIRST + 1, false}} +
                   CommandItems(false, false)),
              ShownMenu());

    SetPolicy(HKEY_CURRENT_USER, kPolicyLockAllDrives, 1);
    drives.Forget();
    PolicyChanged("intl");
    EXPECT_TRUE(drives.requests.empty()) << "only a change of policies is read again";
    PolicyChanged();
    EXPECT_EQ((Requests{"D:0", "D:1", "E:0", "E:1"}), drives.RemovalRequests());
    EXPECT_EQ(kNote, ShownMenu()[2]);

    DeletePolicies();
    drives.Forget();
    PolicyChanged();
    EXPECT_TRUE(drives.requests.empty()) << "the drives stay as they are";
    EXPECT_EQ((MenuItems{{"Unlock drive D:", ID_DRIVE_FIRST, false},
                    {"Unlock drive E:", ID_DRIVE_FIRST + 1, false}} +
                   CommandItems(false, false)),
              ShownMenu());
    Command(ID_DRIVE_FIRST);
    EXPECT_TRUE(drives.EjectWorks("D:"));
}

TEST_F(PolicyTest, RunAtStartupFixesTheBoxAndTheAutostartEntryButKeepsTheUsersOption)
{
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyA(HKEY_CURRENT_USER, kRunKey, CRegKey().Receive()));
    WriteRegistryDword(kProgramKey, "StartOnBoot", 0);
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyRunAtStartup, 1);
    StartDialog();
    EXPECT_TRUE(ReadRegistryValue(kRunKey, "Vexa").exists) << "enforced at start";

    Command(ID_TRAY_SETTINGS);
    HWND box = dlg->GetDlgItem(IDC_AUTOSTART);
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), dlg->IsDlgButtonChecked(IDC_AUTOSTART));
    EXPECT_FALSE(::IsWindowEnabled(box));
    Command(IDC_OK);
    EXPECT_TRUE(ReadRegistryValue(kRunKey, "Vexa").exists);
    EXPECT_EQ(0u, ReadRegistryValue(kProgramKey, "StartOnBoot").AsDword());

    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyRunAtStartup, 0);
    PolicyChanged();
    EXPECT_FALSE(ReadRegistryValue(kRunKey, "Vexa").exists);
    EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), dlg->IsDlgButtonChecked(IDC_AUTOSTART));
    EXPECT_FALSE(::IsWindowEnabled(box));

    DeletePolicies();
    PolicyChanged();
    EXPECT_TRUE(::IsWindowEnabled(box)) << "not configured: the user decides again";
    Command(IDC_OK);
    EXPECT_FALSE(ReadRegistryValue(kRunKey, "Vexa").exists);
}

} // namespace
