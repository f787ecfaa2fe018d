// The language of the program's user-interface resources. The one executable holds its dialog,
// menu and texts in several languages, each tagged with its language identifier; the program
// chooses one at start, and every lookup asks for that language by name. The thread's UI
// language is not relied on: the platform chooses it by rules of its own, and under Wine a
// program cannot set it.
#pragma once

#include <windows.h>

// The language every resource has: the program's own texts are written in it first.
constexpr LANGID kFallbackLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// The language resources are looked up in from now on; US English until set.
void AfxSetResourceLanguage(LANGID language);
LANGID AfxGetResourceLanguage();

// A resource of the executable in the chosen language, else in US English; nullptr when it has
// neither. Refer to FindResourceExW.
HRSRC AfxFindResource(const wchar_t* type, UINT id);

// A resource of the executable in the language given only; nullptr when it has none there.
HRSRC AfxFindResourceIn(const wchar_t* type, UINT id, LANGID language);

// The bytes of a found resource, which stay as long as the executable; nullptr for none.
// Refer to LoadResource, LockResource and SizeofResource.
const void* AfxLockResource(HRSRC resource, DWORD* size);

// Whether a language is written from right to left (Arabic, Hebrew): its dialogs are mirrored
// by their templates, and its menus, balloons and message boxes are asked to read from the
// right. Refer to GetLocaleInfoW and LOCALE_FONTSIGNATURE (bit 123 of the Unicode subset
// bitfield: the locale's layout runs from right to left).
bool AfxIsRightToLeftLanguage(LANGID language);
