// The policy keys an administrator's Group Policy writes, under HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER of the test prefix's real registry.
#pragma once

#include "drives/PolicyNames.h"
#include "framework/UniqueHandle.h"

#include <gtest/gtest.h>
#include <windows.h>

inline void DeletePolicies()
{
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPolicyKey);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kPolicyKey);
}

inline void SetPolicy(HKEY root, const char* name, DWORD type, const void* data, DWORD size)
{
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyA(root, kPolicyKey, key.Receive()));
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size));
}

inline void SetPolicy(HKEY root, const char* name, DWORD value)
{
    SetPolicy(root, name, REG_DWORD, &value, sizeof(value));
}

// The policy keys are the machine's and the user's: none is left behind.
class PolicyKeys {
public:
    PolicyKeys() { DeletePolicies(); }
    ~PolicyKeys() { DeletePolicies(); }
    PolicyKeys(const PolicyKeys&) = delete;
    PolicyKeys& operator=(const PolicyKeys&) = delete;
};
