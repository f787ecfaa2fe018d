// Bounded waits for the tests. Every wait on another process, a kernel object, a window or a
// message box ends: a guard of two minutes keeps a lost message or a dead process from hanging
// the run (it is not a measure of speed), and a wait that runs out says what did not happen.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

constexpr DWORD kWaitGuardMs = 2 * 60 * 1000;

// Checks the condition every 20 ms until it holds or the guard runs out.
template <class Condition>
::testing::AssertionResult WaitFor(Condition condition, const std::string& what)
{
    const ULONGLONG end = ::GetTickCount64() + kWaitGuardMs;
    while (!condition()) {
        if (::GetTickCount64() >= end) {
            if (condition())
                break;
            return ::testing::AssertionFailure()
                   << "waited " << kWaitGuardMs / 1000 << " s for " << what
                   << ", and it did not happen";
        }
        ::Sleep(20);
    }
    return ::testing::AssertionSuccess();
}

// Waits until the object (a process, a semaphore, ...) is signalled.
inline ::testing::AssertionResult WaitForObject(HANDLE object, const std::string& what)
{
    const DWORD result = ::WaitForSingleObject(object, kWaitGuardMs);
    if (result == WAIT_OBJECT_0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "waited " << kWaitGuardMs / 1000 << " s for " << what << ", and it did not happen ("
           << (result == WAIT_TIMEOUT ? "timed out" : "the wait failed") << ")";
}
