// CSettingsDlg: the settings window. Created hidden at start, it is the application's main
// window for the whole run: it owns the tray icon, the home-page link, the drive table and the
// options, receives every menu command, and ends the program when it is destroyed.
#pragma once

#include "framework/Dialog.h"
#include "hyperlink/HyperLink.h"

#include <windows.h>

#include <string>

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

    // The settings store under HKEY_CURRENT_USER. Failures are silent: a read that fails leaves
    // the pre-set value, a write that fails is lost.
    DWORD ReadDriveState(const std::string& name);
    void WriteDriveState(const std::string& name, DWORD state);
    BOOL ReadOptions();
    void WriteOptions();
    void WriteAutostart(BOOL enabled, const std::string& commandPath);

    CHyperLink m_link;          // the home-page line, control 1006
    HICON m_hIcon;              // application icon 134
    HICON m_hSmallIcon;         // tray icon 135
    CSystemTray* m_pTray;       // owned; deleted in DestroyWindow
    UINT m_trayMessage;         // the tray icon's callback message
    std::string m_regKey;       // the program's key under HKEY_CURRENT_USER
    DWORD m_startOnBoot;
    DWORD m_lockOnStart;

    static constexpr int kMaxDrives = 50;
    int m_driveCount;                      // CD-ROM drives found at start
    std::string m_driveNames[kMaxDrives];  // "D:", in the platform's drive order
    int m_driveLocked[kMaxDrives];         // the lock state Vexa believes each drive has
    // TRUE while a lock request of this run was accepted and no unlock since: the driver then
    // counts one lock of Vexa's, and a second lock request would add a second that one unlock
    // does not undo.
    BOOL m_driveLockHeld[kMaxDrives] = {};

protected:
    BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
    void DoDataExchange(CDataExchange* dx) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;

    LRESULT OnSysCommand(WPARAM wparam, LPARAM lparam);
    LRESULT OnPaint(WPARAM wparam, LPARAM lparam);
    LRESULT OnQueryDragIcon(WPARAM wparam, LPARAM lparam);
    LRESULT OnClose(WPARAM wparam, LPARAM lparam);
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
};
