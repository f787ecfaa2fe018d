// CSettingsDlg: the settings window. Created hidden at start, it is the application's main
// window for the whole run: it owns the tray icon, the home-page link, the drive table and the
// options, receives every menu command, and ends the program when it is destroyed.
#pragma once

#include "drives/DriveTable.h"
#include "drives/Policy.h"
#include "drives/SettingsStore.h"
#include "framework/Dialog.h"
#include "hyperlink/HyperLink.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CSystemTray;

class CSettingsDlg : public CDialog {
public:
    // Creates the dialog window (hidden) from its template.
    explicit CSettingsDlg(CWnd* parent = nullptr);
    ~CSettingsDlg() override;

    // Removes the tray icon, then destroys the window; the object deletes itself afterwards.
    BOOL DestroyWindow() override;

    // Options from the store into the window.
    void LoadSettings();

    // The drive table: every CD-ROM drive with its remembered lock re-applied and a menu item.
    void EnumerateDrives();

    // Locks (lock 1) or unlocks (lock 0) drive index; on success the menu text and the stored
    // flag follow. A failure is reported in a message box unless quiet is set.
    BOOL LockDrive(int index, int lock, BOOL quiet);

    // The settings store under HKEY_CURRENT_USER (m_store). Failures are silent: a read that
    // fails leaves the pre-set value, a write that fails is lost.
    DWORD ReadDriveState(const std::string& name) { return m_store.ReadDriveState(name); }
    void WriteDriveState(const std::string& name, DWORD state)
    {
        m_store.WriteDriveState(name, state);
    }
    BOOL ReadOptions() { return m_store.ReadOptions(&m_startOnBoot, &m_lockOnStart); }
    void WriteOptions() { m_store.WriteOptions(m_startOnBoot, m_lockOnStart); }
    void WriteAutostart(BOOL enabled, const CWideString& commandPath)
    {
        CSettingsStore::WriteAutostart(enabled, commandPath);
    }

    CHyperLink m_link;                   // the home-page line, control 1006
    HICON m_hIcon;                       // application icon 134
    HICON m_hSmallIcon;                  // tray icon 135
    std::unique_ptr<CSystemTray> m_pTray; // deleted in DestroyWindow, before the window goes
    UINT m_trayMessage;                  // the tray icon's callback message
    CSettingsStore m_store;
    const std::string& m_regKey;         // the program's key under HKEY_CURRENT_USER
    DWORD m_startOnBoot;
    DWORD m_lockOnStart;

    // The drive table; drive i has the menu item at position i and command 10001 + i.
    static constexpr int kMaxDrives = CDriveTable::kMaxDrives;
    CDriveTable m_drives;
    const int& m_driveCount;                        // CD-ROM drives in the table
    const CDriveTable::NameList& m_driveNames;      // "D:", in the platform's drive order
    const CDriveTable::FlagList& m_driveLocked;     // the lock state Vexa believes each has
    const CDriveTable::FlagList& m_driveLockHeld;   // a lock of this run's is in force
    BOOL m_drivesChanged = FALSE; // drives came or went while the tray menu was shown
    Policies m_policies;          // what an administrator enforces, as last read
    BOOL m_policiesChanged = FALSE; // policies changed while the tray menu was shown

protected:
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    // The tray icon with its menu, the settings command as the default item (m_pTray).
    void OnDialogWindowCreated() override;
    BOOL OnInitDialog() override;

    LRESULT OnSysCommand(WPARAM wparam, LPARAM lparam);
    LRESULT OnPaint(WPARAM wparam, LPARAM lparam);
    LRESULT OnQueryDragIcon(WPARAM wparam, LPARAM lparam);
    LRESULT OnClose(WPARAM wparam, LPARAM lparam);
    LRESULT OnDeviceChange(WPARAM event, LPARAM data);
    LRESULT OnPowerBroadcast(WPARAM event, LPARAM data);
    LRESULT OnMenuClosed(WPARAM wparam, LPARAM lparam);
    LRESULT OnSettingChange(WPARAM wparam, LPARAM lparam);
    void OnExit();
    void OnShowSettings();
    void LockAllDrives();
    void UnlockAllDrives();
    void OnAccept();
    void OnHide();
    void OpenDonationPage();

    DECLARE_MESSAGE_MAP()

private:
    // Gives the home-page line its target, look and hint.
    void SetUpHomePageLink();

    // Command 10001 + i: locks drive i when unlocked, unlocks it when locked.
    void ToggleDrive(int index);

    // Makes the table and the drive items follow the CD-ROM drives present now. Drives that
    // stay keep their state without a request; drives that came get their remembered state
    // again, quietly. While the tray menu is shown nothing changes: the change waits until the
    // menu has closed. Returns the indices of the drives that came.
    std::vector<int> FollowDriveChanges(std::string* failures);

    // Gives the tray menu one item and entry text per drive, in table order, in place of the
    // oldCount items it had.
    void RebuildDriveItems(int oldCount);

    // Applies the drives' states again without a message box. A drive believed locked that
    // refuses adds a line naming it and the error to failures.
    void ReapplyQuietly(const std::vector<int>& indices, std::string* failures);

    // Tells the user, in one balloon over the tray icon, which locks could not be applied.
    void ReportQuietFailures(const std::string& failures);

    // The lock state drive index must have without being asked: the enforced one, or the one
    // the drive is believed to have.
    int WantedLock(int index) const;

    // FALSE when an administrator forbids locking (lock 1) or unlocking (lock 0) drives.
    BOOL LockAllowed(int lock) const;

    // Greys the menu entries an administrator forbids, and shows or removes the note that says
    // so. Takes effect at the next opening of the menu.
    void ApplyPoliciesToMenu();

    // Takes newly read policies into effect: drives locked or unlocked as enforced, the
    // autostart entry and check box, the menu.
    void ApplyPolicies(const Policies& policies);

    // Writes the autostart entry when an administrator fixes it.
    void EnforceAutostart();
};
