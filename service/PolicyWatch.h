// The machine's policy key, watched for changes: an event is signalled when a value under it
// changes, or when the key comes or goes. Refer to RegNotifyChangeKeyValue.
#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>

class CPolicyWatch {
public:
    // The event to wait for: signalled at a change after Arm.
    explicit CPolicyWatch(HANDLE changed) : m_changed(changed) {}

    // Opens the policy key and asks for its next change. Before an administrator first sets a
    // policy the key does not exist: the policy folder (HKLM\SOFTWARE\Policies) is watched with
    // its subkeys instead, and the key is opened again at each change. The code of the failure,
    // or ERROR_SUCCESS. The watch ends with the thread that armed it, so one thread arms it
    // always: the service's loop.
    LONG Arm();

private:
    HANDLE m_changed;
    CRegKey m_key;                 // the key watched
    bool m_watchingPolicy = false; // it is the policy key, not the policy folder
};
