#include "Policy.h"

#include "PolicyNames.h"
#include "framework/UniqueHandle.h"

#include <windows.h>

namespace {

// The value as one key sets it: only a whole REG_DWORD of 0 or 1 counts.
PolicyValue ReadValue(const CRegKey& key, const char* name)
{
    if (!key)
        return PolicyValue::NotConfigured;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    if (::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                           &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value) || value > 1)
        return PolicyValue::NotConfigured;
    return value != 0 ? PolicyValue::On : PolicyValue::Off;
}

CRegKey OpenPolicyKey(HKEY root)
{
    CRegKey key;
    if (::RegOpenKeyExA(root, kPolicyKey, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return CRegKey();
    return key;
}

// A language identifier as one key sets it; 0 for none.
DWORD ReadLanguage(const CRegKey& key)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    if (!key ||
        ::RegQueryValueExA(key.Get(), kPolicyLanguage, nullptr, &type,
                           reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value) || value > 0xFFFF)
        return 0;
    return value;
}

PolicyValue MachineFirst(const CRegKey& machine, const CRegKey& user, const char* name)
{
    const PolicyValue value = ReadValue(machine, name);
    return value != PolicyValue::NotConfigured ? value : ReadValue(user, name);
}

} // namespace

Policies ReadPolicies()
{
    const CRegKey machine = OpenPolicyKey(HKEY_LOCAL_MACHINE);
    const CRegKey user = OpenPolicyKey(HKEY_CURRENT_USER);
    Policies policies;
    policies.lockAllDrives = MachineFirst(machine, user, kPolicyLockAllDrives);
    policies.runAtStartup = MachineFirst(machine, user, kPolicyRunAtStartup);
    policies.ejectNotice = MachineFirst(machine, user, kPolicyEjectNotice);
    return policies;
}

PolicyValue ReadMachineLockPolicy()
{
    return ReadValue(OpenPolicyKey(HKEY_LOCAL_MACHINE), kPolicyLockAllDrives);
}

DWORD ReadLanguagePolicy()
{
    const DWORD machine = ReadLanguage(OpenPolicyKey(HKEY_LOCAL_MACHINE));
    return machine != 0 ? machine : ReadLanguage(OpenPolicyKey(HKEY_CURRENT_USER));
}
