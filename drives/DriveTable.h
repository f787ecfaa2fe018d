// CDriveTable: the machine's CD-ROM drives in drive-letter order, each with the lock state Vexa
// believes it has and whether a lock of Vexa's own is in force, and the lock requests that
// change them. Every accepted request is remembered in the settings store. The table knows
// nothing of windows: the menu item and entry text of drive i are its owner's, at index i.
#pragma once

#include "SettingsStore.h"

#include <windows.h>

#include <string>
#include <vector>

class CDriveTable {
public:
    static constexpr int kMaxDrives = 50;
    using NameList = std::string[kMaxDrives];
    using FlagList = int[kMaxDrives];

    explicit CDriveTable(const CSettingsStore& store) : m_store(store) {}
    CDriveTable(const CDriveTable&) = delete;
    CDriveTable& operator=(const CDriveTable&) = delete;

    // The drives as their owner reads them: index i of every list is drive i.
    const int& Count() const { return m_count; }
    const NameList& Names() const { return m_names; }     // "D:"
    const FlagList& Locked() const { return m_locked; }   // 1 while believed locked
    const FlagList& LockHeld() const { return m_lockHeld; }

    // The text of drive i's menu entry, naming what choosing it does: "Lock drive D:" while it
    // is believed unlocked, "Unlock drive D:" while believed locked.
    std::string EntryText(int index) const;

    // Empties the table.
    void Clear() { m_count = 0; }

    // Appends a drive ("D:") with its remembered state, not yet applied; its index, or -1 when
    // the table is full.
    int Add(const std::string& name);

    // TRUE when the table holds exactly these drives, in this order.
    bool Holds(const std::vector<std::string>& names) const;

    // Makes the table hold these drives, in this order (at most kMaxDrives). A drive the table
    // had keeps its believed state and held lock, and nothing is sent to it; a drive it did not
    // have comes with its remembered state, not yet applied. Returns the indices of those new
    // drives, in ascending order. A drive that is gone leaves its stored value behind.
    std::vector<int> Replace(const std::vector<std::string>& names);

    // Locks (lock non-zero) or unlocks drive index. The drive gets at most one lock of Vexa's:
    // a lock while one is held is accepted without a request. On success the believed state
    // and the store follow (the store only when remember is set: a state an administrator
    // enforces is not the user's choice); on failure nothing changes and GetLastError tells
    // why. FALSE without a request for an index outside the table.
    BOOL SetLock(int index, int lock, bool remember = true);

    // Locks (lock non-zero) or unlocks drive index as at start: a lock is preceded by an
    // unlock, so that a lock the driver still counts (from an earlier run, or from before the
    // machine slept) is replaced instead of doubled. A failure leaves the believed state as it
    // was.
    BOOL Apply(int index, int lock, bool remember);

private:
    const CSettingsStore& m_store;
    int m_count = 0;
    NameList m_names;
    FlagList m_locked = {};
    // 1 while a lock request of this run was accepted and no unlock since: the driver then
    // counts one lock of Vexa's, and a second lock request would add a second that one unlock
    // does not undo.
    FlagList m_lockHeld = {};
};

// The CD-ROM drives of the machine now ("D:", ...), in the platform's drive-letter order; empty
// when the drive list cannot be read. Refer to GetLogicalDriveStringsA and GetDriveTypeA.
std::vector<std::string> FindCdromDrives();
