#include "DriveLocks.h"

#include "LockServiceState.h"
#include "framework/LoadString.h"
#include "res/resource.h"

#include <algorithm>

namespace {

std::vector<int> AllOf(const CDriveTable& table)
{
    std::vector<int> all;
    for (int i = 0; i < table.Count(); ++i)
        all.push_back(i);
    return all;
}

} // namespace

DriveLockOutcome CDriveLocks::Start()
{
    DriveLockOutcome outcome;
    Survey();
    outcome.drivesChanged = true;
    outcome.policiesApplied = true;
    ApplyQuietly(AllOf(m_table), &outcome);
    return outcome;
}

DriveLockOutcome CDriveLocks::DrivesChanged(bool menuShown)
{
    DriveLockOutcome outcome;
    FollowDrives(menuShown, &outcome);
    return outcome;
}

DriveLockOutcome CDriveLocks::Resumed(bool menuShown)
{
    DriveLockOutcome outcome;
    const std::vector<int> added = FollowDrives(menuShown, &outcome);
    // The drives that came got their state just now.
    std::vector<int> locked;
    for (int i = 0; i < m_table.Count(); ++i) {
        if (WantedLock(i) != 0 && std::find(added.begin(), added.end(), i) == added.end())
            locked.push_back(i);
    }
    ApplyQuietly(locked, &outcome);
    return outcome;
}

DriveLockOutcome CDriveLocks::PoliciesChanged(bool menuShown)
{
    DriveLockOutcome outcome;
    TakePolicies(menuShown, &outcome);
    return outcome;
}

DriveLockOutcome CDriveLocks::MenuClosed()
{
    DriveLockOutcome outcome;
    if (m_drivesWaiting)
        FollowDrives(false, &outcome);
    if (m_policiesWaiting)
        TakePolicies(false, &outcome);
    return outcome;
}

DriveLockOutcome CDriveLocks::Toggle(int index)
{
    if (index < 0 || index >= m_table.Count()) {
        DriveLockOutcome outcome;
        outcome.failed = true;
        return outcome;
    }
    const int lock = m_table.Locked()[index] == 0 ? 1 : 0;
    return LockAllowed(lock) ? Lock(index, lock) : DriveLockOutcome();
}

DriveLockOutcome CDriveLocks::LockEvery(int lock)
{
    // Every drive gets the request, also one believed to have that state already: the belief
    // may be stale.
    DriveLockOutcome outcome;
    if (!LockAllowed(lock))
        return outcome;
    for (int i = 0; i < m_table.Count(); ++i) {
        const DriveLockOutcome one = Lock(i, lock);
        outcome.failed = outcome.failed || one.failed;
        outcome.refusals.insert(outcome.refusals.end(), one.refusals.begin(), one.refusals.end());
    }
    return outcome;
}

DriveLockOutcome CDriveLocks::Lock(int index, int lock)
{
    DriveLockOutcome outcome;
    if (index < 0 || index >= m_table.Count()) {
        outcome.failed = true;
        return outcome;
    }
    if (!m_table.SetLock(index, lock)) {
        outcome.failed = true;
        outcome.refusals.push_back({m_table.Names()[index], ::GetLastError()});
    }
    return outcome;
}

DriveLockOutcome CDriveLocks::Command(const std::vector<std::string>& drives, int lock)
{
    DriveLockOutcome outcome;
    const auto& names = m_table.Names();
    std::vector<int> indices;
    for (const std::string& drive : drives) {
        const int index = static_cast<int>(std::find(names, names + m_table.Count(), drive) - names);
        if (index < m_table.Count())
            indices.push_back(index);
        else
            outcome.unknownDrives.push_back(drive);
    }
    if (!outcome.unknownDrives.empty()) {
        outcome.failed = true;
        return outcome;
    }
    if (!LockAllowed(lock)) {
        outcome.failed = true;
        outcome.forbidden = true;
        return outcome;
    }
    if (drives.empty())
        return LockEvery(lock);
    for (const int index : indices) {
        const DriveLockOutcome one = Lock(index, lock);
        outcome.failed = outcome.failed || one.failed;
        outcome.refusals.insert(outcome.refusals.end(), one.refusals.begin(), one.refusals.end());
    }
    return outcome;
}

void CDriveLocks::ReadPoliciesNow()
{
    m_policies = ReadPolicies();
    // The service follows the machine's policy alone.
    m_serviceHolds = ReadMachineLockPolicy() == PolicyValue::On && LockServiceRunning();
}

void CDriveLocks::Survey()
{
    ReadPoliciesNow();
    m_table.Clear();
    for (const std::string& name : FindCdromDrives()) {
        if (m_table.Add(name) < 0)
            break;
    }
}

DriveLockOutcome CDriveLocks::EjectPressed(const std::string& drive, DWORD tick, bool noticeShown)
{
    // Long enough to read the notice; the shell's balloon stays at least as long.
    const DWORD kQuietAfterNotice = 10000;
    DriveLockOutcome outcome;
    const auto& names = m_table.Names();
    const int index = static_cast<int>(std::find(names, names + m_table.Count(), drive) - names);
    if (index >= m_table.Count() || (m_table.LockHeld()[index] == 0 && !m_serviceHolds) ||
        m_policies.ejectNotice == PolicyValue::Off)
        return outcome;
    // The difference of two ticks is right across the counter's wrap after 49.7 days.
    if (drive == m_noticeDrive && (noticeShown || tick - m_noticeTick < kQuietAfterNotice))
        return outcome;
    m_noticeDrive = drive;
    m_noticeTick = tick;
    outcome.notice.title = AfxFormatString(IDS_EJECT_TITLE, drive.c_str());
    if (m_policies.lockAllDrives == PolicyValue::On)
        outcome.notice.text = AfxFormatString(IDS_EJECT_TEXT_ENFORCED, drive.c_str());
    else
        outcome.notice.text = AfxFormatString(IDS_EJECT_TEXT, drive.c_str(), drive.c_str());
    return outcome;
}

std::vector<std::string> CDriveLocks::ExplainedDrives() const
{
    std::vector<std::string> drives;
    if (m_policies.ejectNotice == PolicyValue::Off)
        return drives;
    for (int i = 0; i < m_table.Count(); ++i) {
        if (m_table.LockHeld()[i] != 0 || m_serviceHolds)
            drives.push_back(m_table.Names()[i]);
    }
    return drives;
}

bool CDriveLocks::EntryEnabled(int index) const
{
    // Each entry does what its text says: lock an unlocked drive, unlock a locked one.
    return LockAllowed(m_table.Locked()[index] == 0 ? 1 : 0);
}

bool CDriveLocks::LockAllowed(int lock) const
{
    const PolicyValue enforced = m_policies.lockAllDrives;
    return !(enforced == PolicyValue::On && lock == 0) && !(enforced == PolicyValue::Off && lock != 0);
}

int CDriveLocks::WantedLock(int index) const
{
    switch (m_policies.lockAllDrives) {
    case PolicyValue::On:
        return 1;
    case PolicyValue::Off:
        return 0;
    default:
        return m_table.Locked()[index];
    }
}

void CDriveLocks::ApplyQuietly(const std::vector<int>& indices, DriveLockOutcome* outcome)
{
    for (const int i : indices) {
        // What an administrator enforces is applied, but not remembered as the user's choice.
        const int wanted = WantedLock(i);
        if (m_table.Apply(i, wanted, !AdministratorManaged()))
            continue;
        // A drive that should be locked but is not: the user must learn that its eject button
        // may work. A refused unlock leaves nothing to warn of.
        const DWORD error = ::GetLastError();
        if (wanted == 0)
            continue;
        if (!outcome->quietFailures.empty())
            outcome->quietFailures += "\n";
        outcome->quietFailures += AfxFormatString(IDS_NOT_LOCKED_LINE, m_table.Names()[i].c_str(),
                                                  static_cast<int>(error));
        // The warning takes the place of an eject notice on screen.
        m_noticeDrive.clear();
    }
}

std::vector<int> CDriveLocks::FollowDrives(bool menuShown, DriveLockOutcome* outcome)
{
    // The open menu's entries stand for the drives as they were: a command chosen there must
    // reach the drive it named.
    if (menuShown) {
        m_drivesWaiting = true;
        return std::vector<int>();
    }
    m_drivesWaiting = false;
    const std::vector<std::string> present = FindCdromDrives();
    if (m_table.Holds(present))
        return std::vector<int>();
    const std::vector<int> added = m_table.Replace(present);
    outcome->drivesChanged = true;
    ApplyQuietly(added, outcome);
    return added;
}

void CDriveLocks::TakePolicies(bool menuShown, DriveLockOutcome* outcome)
{
    // The open menu's entries stand for the rules as they were when it opened.
    if (menuShown) {
        m_policiesWaiting = true;
        return;
    }
    m_policiesWaiting = false;
    const Policies old = m_policies;
    ReadPoliciesNow();
    if (m_policies.lockAllDrives != old.lockAllDrives && AdministratorManaged())
        ApplyQuietly(AllOf(m_table), outcome);
    outcome->policiesApplied = true;
}
