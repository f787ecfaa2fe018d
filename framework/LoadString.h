// The program's texts from its string table, in the language resources are looked up in
// (ResourceLanguage.h), as UTF-8.
#pragma once

#include <windows.h>

#include <string>

// String id, or the same string in US English when the chosen language lacks it; empty when
// neither has it. Refer to LoadStringW, which cannot be told a language.
std::string AfxLoadString(UINT id);

// String id as a format ("%s" for a UTF-8 text, "%d" for an int), filled in; at most 1024
// bytes. Refer to wvsprintfA, which copies UTF-8 bytes unchanged.
std::string AfxFormatString(UINT id, ...);
