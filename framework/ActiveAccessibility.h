// Microsoft Active Accessibility (oleacc.dll), through which screen readers ask a window what it
// is. Found at run time: a Windows without it, or with it broken, still runs Vexa, whose controls
// then answer as plain windows; and a start that no screen reader asks about never loads it.
#pragma once

#include <windows.h>
#include <oleacc.h>

struct ActiveAccessibility {
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**); // oleacc's
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN);          // oleacc's
    BSTR(WINAPI* sysAllocStringLen)(const OLECHAR*, UINT); // oleaut32's, whose BSTRs clients free
};

// The functions, loaded at the first call that finds them all; nullptr while oleacc.dll or
// oleaut32.dll cannot be loaded or lacks one of them. The first call also puts the calling
// thread (the program's one thread) into a single-threaded COM apartment, through which a
// screen reader's calls come in. The libraries stay loaded, and the apartment stays, until the
// process ends, as a screen reader may hold objects made by them for as long as Vexa runs.
// Refer to LoadLibraryW, GetProcAddress, CoInitializeEx, CreateStdAccessibleObject,
// LresultFromObject and SysAllocStringLen.
const ActiveAccessibility* AfxActiveAccessibility() noexcept;
