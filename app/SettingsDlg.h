// CSettingsDlg: the settings window. Created hidden at start, it is the application's main
// window for the whole run: it owns the tray icon, the home-page link, the drive locks and the
// options, receives every menu command, and ends the program when it is destroyed. What the
// drives' locks must be is decided by the drive locks (m_locks); the window shows the result.
#pragma once

#include "drives/DriveLocks.h"
#include "drives/SettingsStore.h"
#include "drives/VolumeNotification.h"
#include "framework/Dialog.h"
#include "framework/UniqueHandle.h"
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
    // The options are shown and the autostart entry enforced with the policies read for it.
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
    // The window's icons are loaded for its scale, and again when it changes.
    CIconHandle m_hIcon;                 // application icon 134, at the large-icon size
    // The tray icon, with the picture for the taskbar's theme and the scale, which it chooses
    // itself; deleted in DestroyWindow, before the window goes.
    std::unique_ptr<CSystemTray> m_pTray;

private:
    UINT m_trayMessage;                  // the tray icon's callback message
    CSettingsStore m_store;
    const std::string& m_regKey;         // the program's key under HKEY_CURRENT_USER
    DWORD m_startOnBoot;
    DWORD m_lockOnStart;

    // The drives and their locks; drive i has the menu item at position i and command 10001 + i.
    CDriveLocks m_locks;
    const int& m_driveCount;                        // CD-ROM drives in the table
    const CDriveTable::NameList& m_driveNames;      // "D:", in the platform's drive order

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
    LRESULT OnSysColorChange(WPARAM wparam, LPARAM lparam);
    LRESULT OnDpiChanged(WPARAM dpi, LPARAM suggested);
    LRESULT OnDisplayChange(WPARAM wparam, LPARAM lparam);
    // A command of Vexa.exe started with /lock, /unlock or /status (see ScriptCommands.cpp).
    LRESULT OnCopyData(WPARAM sender, LPARAM data);
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

    // TRUE while the tray menu is on screen: its entries must keep standing for what they
    // named when it opened.
    bool IsMenuShown() const;

    // Shows what the drive locks decided: the drive entries (made anew when the drives
    // changed), their texts and greying, the all-drive commands, the administrator's note, a
    // message per refused request, a balloon for the locks that could not be applied quietly or
    // for a press on a locked drive's eject button, and the options again when the policies
    // changed. The volume handles follow the drives whose presses are explained.
    void ShowDriveLocks(const DriveLockOutcome& outcome);

    // Gives the tray menu one item and entry text per drive, in table order, in place of the
    // items it had.
    void RebuildDriveItems();

    // Each drive entry's text and greying, the all-drive commands' greying and the note, as
    // the drive locks say now. Takes effect at the next opening of the menu.
    void ShowDriveEntries();

    // Writes the autostart entry when an administrator fixes it.
    void EnforceAutostart();

    // A new scale (dots per inch) or new icon metrics: the window's icons and the tray's
    // picture are loaded again at their sizes.
    void FollowScale(UINT dpi);

    // Loads the window's icons for a scale (dots per inch) and hands them to the window before
    // the old ones go. A picture that cannot be loaded leaves both as they were.
    void LoadIcons(UINT dpi);

    CIconHandle m_hSmallAppIcon; // application icon 134 at the small size: the title bar's

    // The volume handles of the drives whose presses are explained, through which Windows
    // tells of a press on their eject buttons; released before the window goes.
    CVolumeNotifications m_volumes;

    int m_driveItems = 0; // drive items in the tray menu, from position 0
    // The lock state Vexa believes each drive has: 1 locked, 0 unlocked.
    const CDriveTable::FlagList& m_driveLocked;
};
