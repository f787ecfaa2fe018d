// How a running Vexa is found from outside, by a second start and by a command: its settings
// dialog, hidden or shown, is a top-level window of the platform's dialog class under this
// title, the same in every language.
#pragma once

#include <windows.h>

// The running Vexa's settings window, or nullptr. Refer to FindWindowW.
inline HWND FindRunningVexa()
{
    return ::FindWindowW(L"#32770", L"Vexa Settings");
}
