// The drive table: every CD-ROM drive with its menu item and the lock state Vexa believes it
// has, and the commands that lock and unlock the drives one at a time or all at once.
#include "app/SettingsDlg.h"

#include "MediaLock.h"
#include "framework/MessageBox.h"
#include "res/resource.h"
#include "tray/SystemTray.h"

#include <cstring>

namespace {

// The menu text names what choosing the item does.
std::string DriveEntryText(const std::string& name, int locked)
{
    return (locked != 0 ? "Unlock drive " : "Lock drive ") + name;
}

} // namespace

void CSettingsDlg::EnumerateDrives()
{
    m_driveCount = 0;
    // Without the tray menu (the tray icon was refused) the drives are still locked as
    // remembered; they just get no menu items.
    HMENU popup = m_pTray != nullptr ? m_pTray->m_contextMenu.GetSubMenu(0) : nullptr;

    // "C:\<0>D:\<0>...<0>". Only what the platform filled is read: a result of 0 is a failure,
    // and one not below the buffer's size is the size it would need, with nothing filled.
    char roots[512];
    const DWORD filled = ::GetLogicalDriveStringsA(sizeof(roots), roots);
    if (filled == 0 || filled >= sizeof(roots))
        return;

    std::size_t position = 0;
    while (position < filled && roots[position] != '\0' && m_driveCount < kMaxDrives) {
        const char* root = roots + position;
        const std::size_t length = strnlen(root, filled - position);
        position += length + 1;
        if (length < 2 || ::GetDriveTypeA(root) != DRIVE_CDROM)
            continue;

        const int i = m_driveCount;
        m_driveNames[i].assign(root, 2);
        m_driveLocked[i] = ReadDriveState(m_driveNames[i]) != 0 ? 1 : 0;
        m_driveLockHeld[i] = FALSE;
        if (m_pTray != nullptr)
            m_pTray->AddEntryText(DriveEntryText(m_driveNames[i], m_driveLocked[i]));
        // The item shows the root until the tray icon writes the entry text over it, each time
        // the menu opens.
        if (popup != nullptr)
            ::InsertMenuA(popup, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                          static_cast<UINT_PTR>(ID_DRIVE_FIRST + i), root);
        ++m_driveCount;

        // Re-apply the remembered state without a word. The driver may still hold the lock
        // Vexa sent in an earlier run (the count outlives the program until Windows restarts):
        // release it first, so that the new lock replaces it instead of adding to it.
        if (m_driveLocked[i] != 0)
            SetMediaLock(m_driveNames[i], 0);
        LockDrive(i, m_driveLocked[i], TRUE);
    }
}

BOOL CSettingsDlg::LockDrive(int index, int lock, BOOL quiet)
{
    if (index < 0 || index >= m_driveCount)
        return FALSE;
    const int flag = lock != 0 ? 1 : 0;
    const std::string& name = m_driveNames[index];

    // One lock of Vexa's is all the drive ever gets from this run: a second would leave the
    // eject button dead after the user's unlock.
    if (flag != 0 && m_driveLockHeld[index])
        return TRUE;

    if (!SetMediaLock(name, flag)) {
        if (!quiet) {
            const DWORD error = ::GetLastError();
            char text[1025]; // wsprintfA writes at most 1024 characters and the terminator
            ::wsprintfA(text, "Failed to lock/unlock drive %s\nError code: %d", name.c_str(),
                        static_cast<int>(error));
            AfxMessageBox(text);
        }
        return FALSE;
    }

    m_driveLocked[index] = flag;
    m_driveLockHeld[index] = flag;
    if (m_pTray != nullptr)
        m_pTray->SetEntryText(index, DriveEntryText(name, flag));
    WriteDriveState(name, static_cast<DWORD>(flag));
    return TRUE;
}

void CSettingsDlg::ToggleDrive(int index)
{
    LockDrive(index, m_driveLocked[index] == 0 ? 1 : 0, FALSE);
}

void CSettingsDlg::LockAllDrives()
{
    for (int i = 0; i < m_driveCount; ++i)
        LockDrive(i, 1, FALSE);
}

void CSettingsDlg::UnlockAllDrives()
{
    for (int i = 0; i < m_driveCount; ++i)
        LockDrive(i, 0, FALSE);
}
