// CDriveLocks: every decision about the drives' locks, without a window. It holds the drive
// table and the policies in force, and for each event (start, drives that come or go, resume
// from sleep, new policies, the user's commands) decides which requests go to which drives,
// what is remembered, and what the user must be told. The caller shows the result: the drive
// entries' texts and greying, the administrator's note, message boxes and balloons.
#pragma once

#include "DriveTable.h"
#include "Policy.h"
#include "SettingsStore.h"

#include <windows.h>

#include <string>
#include <vector>

// A request the user asked for that a drive refused, with the platform's error code.
struct DriveRefusal {
    std::string drive; // "D:"
    DWORD error;
};

// What the user is told about a press on a locked drive's eject button; nothing when the title
// is empty.
struct EjectNotice {
    std::string title; // "Drive D: is locked"
    std::string text;
};

// What an event changed, for the caller to show. The entries' texts and states are read from
// the object afterwards (EntryText, EntryEnabled, ...): they always stand for its state now.
struct DriveLockOutcome {
    // The table holds other drives than before: every drive entry is made anew.
    bool drivesChanged = false;
    // New policies took effect: the options that depend on them are shown and applied again.
    bool policiesApplied = false;
    // The user's requests that did not succeed, in the order they were made; a request for a
    // drive that is not in the table counts as failed without a refusal.
    bool failed = false;
    std::vector<DriveRefusal> refusals;
    // Drives that should be locked and could not be, one line each; empty when there are none.
    // Nothing the user asked for: said once, without waiting for an answer.
    std::string quietFailures;
    // A press on a locked drive's eject button, explained.
    EjectNotice notice;
    // A command from outside the menu that was not carried out at all: it named drives that are
    // not CD-ROM drives here, or an administrator forbids it.
    std::vector<std::string> unknownDrives;
    bool forbidden = false;
};

class CDriveLocks {
public:
    explicit CDriveLocks(const CSettingsStore& store) : m_table(store) {}
    CDriveLocks(const CDriveLocks&) = delete;
    CDriveLocks& operator=(const CDriveLocks&) = delete;

    // The table: index i of every list is drive i and its entry.
    const CDriveTable& Table() const { return m_table; }
    const Policies& CurrentPolicies() const { return m_policies; }

    // The program starts: the policies are read, the table holds the CD-ROM drives present,
    // and each drive gets its remembered state (or the enforced one) again, quietly. A drive
    // believed locked is first unlocked, so a lock its driver still counts from an earlier run
    // is replaced instead of doubled.
    DriveLockOutcome Start();

    // Drives may have come or gone. Drives that stay keep their state without a request; a
    // drive that came gets its remembered state, quietly. While the menu is shown nothing
    // changes: its entries stand for the drives as they were, and the change waits for
    // MenuClosed.
    DriveLockOutcome DrivesChanged(bool menuShown);

    // The machine woke up: the drivers may have let go of their locks, and drives may have
    // come or gone. Every drive that should be locked is locked again, as at start.
    DriveLockOutcome Resumed(bool menuShown);

    // The policies may have changed: they are read again. A newly enforced lock state is
    // applied to every drive, without being remembered as the user's choice. While the menu is
    // shown this waits for MenuClosed.
    DriveLockOutcome PoliciesChanged(bool menuShown);

    // The menu closed after its command was handled: what waited for it applies now.
    DriveLockOutcome MenuClosed();

    // The user's commands. What an administrator forbids does nothing, also when the command
    // does not come from the menu. Each drive gets at most one lock of Vexa's.
    DriveLockOutcome Toggle(int index);
    DriveLockOutcome LockAll() { return LockEvery(1); }
    DriveLockOutcome UnlockAll() { return LockEvery(0); }

    // Locks (lock 1) or unlocks (lock 0) drive index as the user asked, without asking the
    // policies; an accepted request is remembered.
    DriveLockOutcome Lock(int index, int lock);

    // A command from outside the menu (a script's): locks (lock 1) or unlocks (lock 0) the named
    // drives ("D:"), or every drive when none is named, as their menu entries would. All or
    // nothing is tried: a name the table does not hold, or an administrator's policy against
    // it, leaves every drive alone.
    DriveLockOutcome Command(const std::vector<std::string>& drives, int lock);

    // Reads the policies and the CD-ROM drives present, each with its remembered state, and
    // sends nothing to any drive: what a report needs while no Vexa runs.
    void Survey();

    // The lock state drive index must have without being asked: the enforced one, or the one
    // the drive is believed to have.
    int WantedLock(int index) const;

    // Someone pressed the eject button of drive ("D:") at tick (GetTickCount): a drive that
    // Vexa holds locked gets a notice saying why the tray stays shut, unless an administrator
    // turned the notice off. A drive that is not locked gets none: Windows opens it. A press
    // again while that drive's notice is shown (noticeShown), or within 10 s of it, gets none.
    DriveLockOutcome EjectPressed(const std::string& drive, DWORD tick, bool noticeShown);

    // The drives ("D:") whose eject-button presses EjectPressed would explain: those Vexa holds
    // locked, unless an administrator turned the notice off. Only they need a volume handle to
    // hear the press; a press on any other drive is Windows' alone.
    std::vector<std::string> ExplainedDrives() const;

    // What drive index's entry says it does: "Lock drive D:" or "Unlock drive D:".
    std::string EntryText(int index) const { return m_table.EntryText(index); }

    // FALSE when an administrator forbids what drive index's entry would do.
    bool EntryEnabled(int index) const;

    // FALSE when an administrator forbids locking (lock 1) or unlocking (lock 0) drives, which
    // also decides whether "Lock All Drives" and "Unlock All Drives" can be chosen.
    bool LockAllowed(int lock) const;

    // TRUE while the administrator's lock service holds every drive: the machine's policy locks
    // every drive, and the service runs. Read with the policies.
    bool ServiceHolds() const { return m_serviceHolds; }

    // TRUE while an administrator manages the drive locks: the user is told so.
    bool AdministratorManaged() const
    {
        return m_policies.lockAllDrives != PolicyValue::NotConfigured;
    }

private:
    // Applies the drives' wanted states as at start; a drive that should be locked and refuses
    // adds a line to the outcome's quiet failures.
    void ApplyQuietly(const std::vector<int>& indices, DriveLockOutcome* outcome);

    // Locks (1) or unlocks (0) every drive, in table order.
    DriveLockOutcome LockEvery(int lock);

    // Makes the table follow the drives present now (see DrivesChanged); the indices of the
    // drives that came.
    std::vector<int> FollowDrives(bool menuShown, DriveLockOutcome* outcome);

    // Reads the policies, and whether the lock service holds the drives.
    void ReadPoliciesNow();

    // Takes the policies read now into effect (see PoliciesChanged).
    void TakePolicies(bool menuShown, DriveLockOutcome* outcome);

    CDriveTable m_table;
    Policies m_policies;
    bool m_serviceHolds = false;
    bool m_drivesWaiting = false;   // drives changed while the menu was shown
    bool m_policiesWaiting = false; // policies changed while the menu was shown
    std::string m_noticeDrive;      // the drive of the last eject notice, while it may be shown
    DWORD m_noticeTick = 0;         // when it was given
};
