#include "app/SettingsDlg.h"

void CSettingsDlg::EnumerateDrives()
{
    m_driveCount = 0;
}

BOOL CSettingsDlg::LockDrive(int, int, BOOL)
{
    return FALSE;
}

void CSettingsDlg::ToggleDrive(int)
{
}

void CSettingsDlg::LockAllDrives()
{
}

void CSettingsDlg::UnlockAllDrives()
{
}
