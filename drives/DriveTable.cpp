#include "app/SettingsDlg.h"

void CSettingsDlg::EnumerateDrives()
{
    m_driveCount = 0;
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
