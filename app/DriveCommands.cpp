// The settings dialog's side of the drive locks: it hands each event to the drive locks, which
// decide, and shows what they decided: one tray-menu entry per drive with its text and greying,
// the greying of the all-drive commands, the administrator's note, the message that reports a
// refused request, the balloon for locks that could not be applied without being asked, and the
// balloon that explains a press on a locked drive's eject button.
#include "SettingsDlg.h"

#include "framework/LoadString.h"
#include "framework/MessageBox.h"
#include "framework/WideString.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <dbt.h>

void CSettingsDlg::EnumerateDrives()
{
    ShowDriveLocks(m_locks.Start());
}

BOOL CSettingsDlg::LockDrive(int index, int lock, BOOL quiet)
{
    DriveLockOutcome outcome = m_locks.Lock(index, lock);
    if (quiet)
        outcome.refusals.clear();
    ShowDriveLocks(outcome);
    return outcome.failed ? FALSE : TRUE;
}

void CSettingsDlg::ToggleDrive(int index)
{
    ShowDriveLocks(m_locks.Toggle(index));
}

void CSettingsDlg::LockAllDrives()
{
    ShowDriveLocks(m_locks.LockAll());
}

void CSettingsDlg::UnlockAllDrives()
{
    ShowDriveLocks(m_locks.UnlockAll());
}

bool CSettingsDlg::IsMenuShown() const
{
    return m_pTray != nullptr && m_pTray->IsMenuShown();
}

LRESULT CSettingsDlg::OnDeviceChange(WPARAM event, LPARAM data)
{
    // The drives' own volume handles: their protocol, and a press on an eject button. The
    // handles check the event's data before they use it: any program can send this message.
    const std::string pressed = m_volumes.OnDeviceChange(event, data);
    if (!pressed.empty())
        ShowDriveLocks(m_locks.EjectPressed(pressed, ::GetTickCount(),
                                            m_pTray != nullptr && m_pTray->IsBalloonShown()));
    // Windows may report one change several times, with flags that do not always fit (Wine
    // marks a drive's arrival as a media change): the drive list itself says what changed.
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE)
        ShowDriveLocks(m_locks.DrivesChanged(IsMenuShown()));
    // Nothing of Vexa's stands in the way of a removal.
    return TRUE;
}

LRESULT CSettingsDlg::OnPowerBroadcast(WPARAM event, LPARAM)
{
    if (event == PBT_APMRESUMEAUTOMATIC)
        ShowDriveLocks(m_locks.Resumed(IsMenuShown()));
    return TRUE;
}

LRESULT CSettingsDlg::OnMenuClosed(WPARAM, LPARAM)
{
    // The tray menu closed, and the command chosen there (posted before this) has been handled.
    ShowDriveLocks(m_locks.MenuClosed());
    return 0;
}

void CSettingsDlg::ShowDriveLocks(const DriveLockOutcome& outcome)
{
    if (outcome.drivesChanged)
        RebuildDriveItems();
    // Only a drive whose press would be explained needs a volume handle; one that could not be
    // opened tries again at every event (its medium may have come).
    m_volumes.Follow(m_locks.ExplainedDrives(), m_hWnd);
    ShowDriveEntries();
    // The refusals carry their drives' names: a drive change while a message is up cannot make
    // a later message name another drive.
    for (const DriveRefusal& refusal : outcome.refusals) {
        AfxMessageBox(AfxFormatString(IDS_DRIVE_REFUSED, refusal.drive.c_str(),
                                      static_cast<int>(refusal.error)));
    }
    if (!outcome.quietFailures.empty() && m_pTray != nullptr)
        m_pTray->ShowBalloon(AfxLoadString(IDS_NOT_LOCKED_TITLE), outcome.quietFailures);
    if (!outcome.notice.title.empty() && m_pTray != nullptr)
        m_pTray->ShowBalloon(outcome.notice.title, outcome.notice.text, NIIF_INFO);
    if (outcome.policiesApplied) {
        LoadSettings();
        EnforceAutostart();
    }
}

void CSettingsDlg::RebuildDriveItems()
{
    // Without the tray menu (the tray icon was refused) the drives are still locked as
    // remembered; they just get no menu items.
    if (m_pTray == nullptr)
        return;
    HMENU popup = m_pTray->m_contextMenu.GetSubMenu(0);
    if (popup != nullptr) {
        for (int i = 0; i < m_driveItems; ++i)
            ::DeleteMenu(popup, static_cast<UINT>(ID_DRIVE_FIRST + i), MF_BYCOMMAND);
        ::DeleteMenu(popup, ID_TRAY_POLICYNOTE, MF_BYCOMMAND); // it follows the drive items
    }
    m_pTray->RemoveAllEntries();
    m_driveItems = 0;
    for (int i = 0; i < m_driveCount; ++i) {
        m_pTray->AddEntryText(m_locks.EntryText(i));
        // The item shows the root until the tray icon writes the entry text over it, each time
        // the menu opens.
        if (popup != nullptr &&
            ::InsertMenuW(popup, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                          static_cast<UINT_PTR>(ID_DRIVE_FIRST + i),
                          AfxWiden(m_driveNames[i] + "\\").c_str()))
            m_driveItems = i + 1;
    }
}

void CSettingsDlg::ShowDriveEntries()
{
    if (m_pTray == nullptr)
        return;
    for (int i = 0; i < m_driveCount; ++i) {
        m_pTray->SetEntryText(i, m_locks.EntryText(i));
        m_pTray->SetEntryEnabled(i, m_locks.EntryEnabled(i));
    }
    HMENU popup = m_pTray->m_contextMenu.GetSubMenu(0);
    if (popup == nullptr)
        return;
    ::EnableMenuItem(popup, ID_TRAY_LOCKALL,
                     MF_BYCOMMAND | (m_locks.LockAllowed(1) ? MF_ENABLED : MF_GRAYED));
    ::EnableMenuItem(popup, ID_TRAY_UNLOCKALL,
                     MF_BYCOMMAND | (m_locks.LockAllowed(0) ? MF_ENABLED : MF_GRAYED));
    const bool managed = m_locks.AdministratorManaged();
    const bool shown = ::GetMenuState(popup, ID_TRAY_POLICYNOTE, MF_BYCOMMAND) != static_cast<UINT>(-1);
    if (managed && !shown)
        ::InsertMenuW(popup, static_cast<UINT>(m_driveItems), MF_BYPOSITION | MF_STRING | MF_GRAYED,
                      ID_TRAY_POLICYNOTE, AfxWiden(AfxLoadString(IDS_POLICY_NOTE)).c_str());
    else if (!managed && shown)
        ::DeleteMenu(popup, ID_TRAY_POLICYNOTE, MF_BYCOMMAND);
}
