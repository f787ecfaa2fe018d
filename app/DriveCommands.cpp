// The settings dialog's side of the drive table: one tray-menu item and entry text per drive,
// the lock commands, the message that reports a refused request, and following drives that
// come and go while Vexa runs.
#include "SettingsDlg.h"

#include "framework/MessageBox.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <dbt.h>

#include <algorithm>

void CSettingsDlg::EnumerateDrives()
{
    m_drives.Clear();
    std::vector<int> all;
    for (const std::string& name : FindCdromDrives()) {
        const int i = m_drives.Add(name);
        if (i < 0)
            break;
        all.push_back(i);
    }
    RebuildDriveItems(0);
    std::string failures;
    ReapplyQuietly(all, &failures);
    ReportQuietFailures(failures);
}

void CSettingsDlg::RebuildDriveItems(int oldCount)
{
    // Without the tray menu (the tray icon was refused) the drives are still locked as
    // remembered; they just get no menu items.
    if (m_pTray == nullptr)
        return;
    HMENU popup = m_pTray->m_contextMenu.GetSubMenu(0);
    if (popup != nullptr) {
        for (int i = 0; i < oldCount; ++i)
            ::DeleteMenu(popup, static_cast<UINT>(ID_DRIVE_FIRST + i), MF_BYCOMMAND);
        ::DeleteMenu(popup, ID_TRAY_POLICYNOTE, MF_BYCOMMAND); // it follows the drive items
    }
    m_pTray->RemoveAllEntries();
    for (int i = 0; i < m_driveCount; ++i) {
        m_pTray->AddEntryText(m_drives.EntryText(i));
        // The item shows the root until the tray icon writes the entry text over it, each time
        // the menu opens.
        if (popup != nullptr)
            ::InsertMenuA(popup, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                          static_cast<UINT_PTR>(ID_DRIVE_FIRST + i),
                          (m_driveNames[i] + "\\").c_str());
    }
    // The greying and the note follow in ReapplyQuietly, which comes after every rebuild.
}

int CSettingsDlg::WantedLock(int index) const
{
    switch (m_policies.lockAllDrives) {
    case PolicyValue::On:
        return 1;
    case PolicyValue::Off:
        return 0;
    default:
        return m_driveLocked[index];
    }
}

BOOL CSettingsDlg::LockAllowed(int lock) const
{
    const PolicyValue enforced = m_policies.lockAllDrives;
    return !(enforced == PolicyValue::On && lock == 0) && !(enforced == PolicyValue::Off && lock != 0);
}

void CSettingsDlg::ApplyPoliciesToMenu()
{
    if (m_pTray == nullptr)
        return;
    // Each drive's item does what its text says: lock an unlocked drive, unlock a locked one.
    for (int i = 0; i < m_driveCount; ++i)
        m_pTray->SetEntryEnabled(i, LockAllowed(m_driveLocked[i] == 0 ? 1 : 0));
    HMENU popup = m_pTray->m_contextMenu.GetSubMenu(0);
    if (popup == nullptr)
        return;
    ::EnableMenuItem(popup, ID_TRAY_LOCKALL, MF_BYCOMMAND | (LockAllowed(1) ? MF_ENABLED : MF_GRAYED));
    ::EnableMenuItem(popup, ID_TRAY_UNLOCKALL,
                     MF_BYCOMMAND | (LockAllowed(0) ? MF_ENABLED : MF_GRAYED));
    const bool managed = m_policies.lockAllDrives != PolicyValue::NotConfigured;
    const bool shown = ::GetMenuState(popup, ID_TRAY_POLICYNOTE, MF_BYCOMMAND) != static_cast<UINT>(-1);
    if (managed && !shown)
        ::InsertMenuA(popup, static_cast<UINT>(m_driveCount), MF_BYPOSITION | MF_STRING | MF_GRAYED,
                      ID_TRAY_POLICYNOTE, "Drive locks are managed by your administrator");
    else if (!managed && shown)
        ::DeleteMenu(popup, ID_TRAY_POLICYNOTE, MF_BYCOMMAND);
}

void CSettingsDlg::ApplyPolicies(const Policies& policies)
{
    // The open menu's items stand for the rules as they were when it opened.
    if (m_pTray != nullptr && m_pTray->IsMenuShown()) {
        m_policiesChanged = TRUE;
        return;
    }
    m_policiesChanged = FALSE;
    const Policies old = m_policies;
    m_policies = policies;
    if (policies.lockAllDrives != old.lockAllDrives &&
        policies.lockAllDrives != PolicyValue::NotConfigured) {
        std::vector<int> all;
        for (int i = 0; i < m_driveCount; ++i)
            all.push_back(i);
        std::string failures;
        ReapplyQuietly(all, &failures);
        ReportQuietFailures(failures);
    }
    ApplyPoliciesToMenu();
    LoadSettings();
    EnforceAutostart();
}

void CSettingsDlg::ReapplyQuietly(const std::vector<int>& indices, std::string* failures)
{
    for (const int i : indices) {
        // What an administrator enforces is applied, but not remembered as the user's choice.
        const int wanted = WantedLock(i);
        if (m_drives.Apply(i, wanted, m_policies.lockAllDrives == PolicyValue::NotConfigured)) {
            if (m_pTray != nullptr)
                m_pTray->SetEntryText(i, m_drives.EntryText(i));
            continue;
        }
        // A drive that should be locked but is not: the user must learn that its eject button
        // may work. A refused unlock leaves nothing to warn of.
        const DWORD error = ::GetLastError();
        if (wanted == 0)
            continue;
        char line[96];
        ::wsprintfA(line, "Drive %s could not be locked (error code %d).",
                    m_driveNames[i].c_str(), static_cast<int>(error));
        if (!failures->empty())
            *failures += "\n";
        *failures += line;
    }
    ApplyPoliciesToMenu();
}

void CSettingsDlg::ReportQuietFailures(const std::string& failures)
{
    if (!failures.empty() && m_pTray != nullptr)
        m_pTray->ShowBalloon("Vexa: eject button not locked", failures.c_str());
}

std::vector<int> CSettingsDlg::FollowDriveChanges(std::string* failures)
{
    // The open menu's items stand for the drives as they were: a command chosen there must
    // reach the drive it named.
    if (m_pTray != nullptr && m_pTray->IsMenuShown()) {
        m_drivesChanged = TRUE;
        return std::vector<int>();
    }
    m_drivesChanged = FALSE;
    const std::vector<std::string> present = FindCdromDrives();
    if (m_drives.Holds(present))
        return std::vector<int>();
    const int oldCount = m_driveCount;
    const std::vector<int> added = m_drives.Replace(present);
    RebuildDriveItems(oldCount);
    ReapplyQuietly(added, failures);
    return added;
}

LRESULT CSettingsDlg::OnDeviceChange(WPARAM event, LPARAM)
{
    // Windows may report one change several times, with flags that do not always fit (Wine
    // marks a drive's arrival as a media change): the drive list itself says what changed. The
    // event's data is not read: any program can send this message.
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) {
        std::string failures;
        FollowDriveChanges(&failures);
        ReportQuietFailures(failures);
    }
    return TRUE;
}

LRESULT CSettingsDlg::OnPowerBroadcast(WPARAM event, LPARAM)
{
    // After sleep the drivers may have let go of their locks, and drives may have come or gone
    // meanwhile: every drive that should be locked is locked again, as at start.
    if (event == PBT_APMRESUMEAUTOMATIC) {
        std::string failures;
        const std::vector<int> added = FollowDriveChanges(&failures);
        std::vector<int> locked;
        for (int i = 0; i < m_driveCount; ++i) {
            if (WantedLock(i) != 0 && std::find(added.begin(), added.end(), i) == added.end())
                locked.push_back(i);
        }
        ReapplyQuietly(locked, &failures);
        ReportQuietFailures(failures);
    }
    return TRUE;
}

LRESULT CSettingsDlg::OnMenuClosed(WPARAM, LPARAM)
{
    // The tray menu closed, and the command chosen there (posted before this) has been handled:
    // a drive change that waited for it applies now.
    if (m_drivesChanged) {
        std::string failures;
        FollowDriveChanges(&failures);
        ReportQuietFailures(failures);
    }
    if (m_policiesChanged)
        ApplyPolicies(ReadPolicies());
    return 0;
}

BOOL CSettingsDlg::LockDrive(int index, int lock, BOOL quiet)
{
    if (index < 0 || index >= m_driveCount)
        return FALSE;
    if (!m_drives.SetLock(index, lock)) {
        if (!quiet) {
            const DWORD error = ::GetLastError();
            char text[1025]; // wsprintfA writes at most 1024 characters and the terminator
            ::wsprintfA(text, "Failed to lock/unlock drive %s\nError code: %d",
                        m_driveNames[index].c_str(), static_cast<int>(error));
            AfxMessageBox(text);
        }
        return FALSE;
    }
    if (m_pTray != nullptr)
        m_pTray->SetEntryText(index, m_drives.EntryText(index));
    ApplyPoliciesToMenu();
    return TRUE;
}

// A command an administrator forbids does nothing, also when it does not come from the menu,
// whose entries for it are greyed.
void CSettingsDlg::ToggleDrive(int index)
{
    const int lock = m_driveLocked[index] == 0 ? 1 : 0;
    if (LockAllowed(lock))
        LockDrive(index, lock, FALSE);
}

void CSettingsDlg::LockAllDrives()
{
    if (!LockAllowed(1))
        return;
    for (int i = 0; i < m_driveCount; ++i)
        LockDrive(i, 1, FALSE);
}

void CSettingsDlg::UnlockAllDrives()
{
    if (!LockAllowed(0))
        return;
    for (int i = 0; i < m_driveCount; ++i)
        LockDrive(i, 0, FALSE);
}
