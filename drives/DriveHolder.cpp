#include "DriveHolder.h"

#include "DriveTable.h"

DriveHoldOutcome CDriveHolder::PolicyChanged()
{
    m_policy = ReadMachineLockPolicy();
    return Follow();
}

DriveHoldOutcome CDriveHolder::DrivesChanged()
{
    return Follow();
}

DriveHoldOutcome CDriveHolder::DeviceEvent(DWORD event, const void* data)
{
    m_volumes.OnDeviceChange(event, reinterpret_cast<LPARAM>(data));
    return Outcome();
}

DriveHoldOutcome CDriveHolder::Stop()
{
    m_volumes.Clear();
    return Outcome();
}

DriveHoldOutcome CDriveHolder::Follow()
{
    // Only the machine's own policy counts: the service serves every user of the computer.
    if (m_policy == PolicyValue::On)
        m_volumes.Follow(FindCdromDrives(), m_recipient);
    else
        m_volumes.Clear();
    return Outcome();
}

DriveHoldOutcome CDriveHolder::Outcome() const
{
    return DriveHoldOutcome{m_volumes.Held()};
}
