#include "PolicyWatch.h"

#include "drives/PolicyNames.h"

#include <utility>

namespace {

const DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

} // namespace

LONG CPolicyWatch::Arm()
{
    // The key watched stays open from one change to the next: closing a watched key signals
    // its event, which would wake the loop once more for nothing.
    if (m_watchingPolicy) {
        const LONG armed =
            ::RegNotifyChangeKeyValue(m_key.Get(), FALSE, kFilter, m_changed, TRUE);
        if (armed != ERROR_KEY_DELETED)
            return armed;
    }
    CRegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_NOTIFY, key.Receive()) ==
        ERROR_SUCCESS) {
        m_key = std::move(key);
        m_watchingPolicy = true;
        return ::RegNotifyChangeKeyValue(m_key.Get(), FALSE, kFilter, m_changed, TRUE);
    }
    if (!m_key || m_watchingPolicy) {
        const LONG opened = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Policies", 0,
                                            KEY_NOTIFY, key.Receive());
        if (opened != ERROR_SUCCESS)
            return opened;
        m_key = std::move(key);
        m_watchingPolicy = false;
    }
    return ::RegNotifyChangeKeyValue(m_key.Get(), TRUE, kFilter, m_changed, TRUE);
}
