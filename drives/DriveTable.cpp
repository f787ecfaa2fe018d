#include "DriveTable.h"

#include "MediaLock.h"
#include "framework/LoadString.h"
#include "res/resource.h"

#include <cstring>

std::string CDriveTable::EntryText(int index) const
{
    return AfxFormatString(m_locked[index] != 0 ? IDS_UNLOCK_DRIVE : IDS_LOCK_DRIVE,
                           m_names[index].c_str());
}

int CDriveTable::Add(const std::string& name)
{
    if (m_count >= kMaxDrives)
        return -1;
    const int i = m_count++;
    m_names[i] = name;
    // Any stored value but 0 counts as locked: the menu must say what the request will do.
    m_locked[i] = m_store.ReadDriveState(name) != 0 ? 1 : 0;
    m_lockHeld[i] = 0;
    return i;
}

bool CDriveTable::Holds(const std::vector<std::string>& names) const
{
    if (names.size() != static_cast<std::size_t>(m_count))
        return false;
    for (int i = 0; i < m_count; ++i) {
        if (names[static_cast<std::size_t>(i)] != m_names[i])
            return false;
    }
    return true;
}

std::vector<int> CDriveTable::Replace(const std::vector<std::string>& names)
{
    NameList oldNames;
    FlagList oldLocked = {};
    FlagList oldLockHeld = {};
    const int oldCount = m_count;
    for (int i = 0; i < oldCount; ++i) {
        oldNames[i].swap(m_names[i]);
        oldLocked[i] = m_locked[i];
        oldLockHeld[i] = m_lockHeld[i];
    }

    std::vector<int> added;
    m_count = 0;
    for (const std::string& name : names) {
        int old = 0;
        while (old < oldCount && oldNames[old] != name)
            ++old;
        if (old == oldCount) {
            const int i = Add(name);
            if (i < 0)
                break;
            added.push_back(i);
            continue;
        }
        if (m_count >= kMaxDrives)
            break;
        const int i = m_count++;
        m_names[i] = name;
        m_locked[i] = oldLocked[old];
        m_lockHeld[i] = oldLockHeld[old];
    }
    return added;
}

BOOL CDriveTable::SetLock(int index, int lock, bool remember)
{
    if (index < 0 || index >= m_count)
        return FALSE;
    const int flag = lock != 0 ? 1 : 0;
    // One lock of Vexa's is all the drive ever gets from this run: a second would leave the
    // eject button dead after the user's unlock.
    if (flag != 0 && m_lockHeld[index] != 0)
        return TRUE;
    if (!SetMediaLock(m_names[index], flag))
        return FALSE;
    m_locked[index] = flag;
    m_lockHeld[index] = flag;
    if (remember)
        m_store.WriteDriveState(m_names[index], static_cast<DWORD>(flag));
    return TRUE;
}

BOOL CDriveTable::Apply(int index, int lock, bool remember)
{
    if (index < 0 || index >= m_count)
        return FALSE;
    if (lock != 0) {
        SetMediaLock(m_names[index], 0);
        m_lockHeld[index] = 0;
    }
    return SetLock(index, lock, remember);
}

std::vector<std::string> FindCdromDrives()
{
    std::vector<std::string> drives;
    // "C:\<0>D:\<0>...<0>". Only what the platform filled is read: a result of 0 is a failure,
    // and one not below the buffer's size is the size it would need, with nothing filled.
    char roots[512];
    const DWORD filled = ::GetLogicalDriveStringsA(sizeof(roots), roots);
    if (filled == 0 || filled >= sizeof(roots))
        return drives;

    std::size_t position = 0;
    while (position < filled && roots[position] != '\0') {
        const char* root = roots + position;
        const std::size_t length = strnlen(root, filled - position);
        position += length + 1;
        if (length >= 2 && ::GetDriveTypeA(root) == DRIVE_CDROM)
            drives.emplace_back(root, 2);
    }
    return drives;
}
