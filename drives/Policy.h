// The settings an administrator enforces through Group Policy: read from the policy key under
// HKEY_LOCAL_MACHINE, then under HKEY_CURRENT_USER; a value set for the machine wins. Vexa only
// reads these keys. A value that is missing, not a REG_DWORD, or neither 0 nor 1 counts as not
// configured: the user decides.
#pragma once

#include <windows.h>

// One enforced setting: not configured, or the value it is fixed to.
enum class PolicyValue { NotConfigured, Off, On };

struct Policies {
    PolicyValue lockAllDrives = PolicyValue::NotConfigured; // On: every drive locked; Off: none
    PolicyValue runAtStartup = PolicyValue::NotConfigured;  // the autostart option, fixed
    PolicyValue ejectNotice = PolicyValue::NotConfigured;   // Off: no eject-press notice

    bool operator==(const Policies& other) const
    {
        return lockAllDrives == other.lockAllDrives && runAtStartup == other.runAtStartup &&
               ejectNotice == other.ejectNotice;
    }
    bool operator!=(const Policies& other) const { return !(*this == other); }
};

// The policies in force now. Refer to RegOpenKeyExA and RegQueryValueExA.
Policies ReadPolicies();

// LockAllDrives as the machine's policy sets it, the user's left aside: what the lock service,
// which serves every user of the computer, follows.
PolicyValue ReadMachineLockPolicy();

// The language identifier an administrator fixes for Vexa's user interface; 0 when none is
// fixed. A value that is not a REG_DWORD, or is 0 or above 0xFFFF, counts as none.
DWORD ReadLanguagePolicy();

// TRUE while an administrator fixes the autostart option: the user cannot change it.
inline bool AutostartFixed(const Policies& policies)
{
    return policies.runAtStartup != PolicyValue::NotConfigured;
}

// Whether Vexa starts with Windows: the enforced value, or else the user's choice.
inline bool AutostartWanted(const Policies& policies, bool userChoice)
{
    return AutostartFixed(policies) ? policies.runAtStartup == PolicyValue::On : userChoice;
}
