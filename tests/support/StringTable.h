// A program's string table read as stored, language by language.
#pragma once

#include "TestSupport.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

inline BOOL CALLBACK AddStringBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names)
{
    reinterpret_cast<std::vector<UINT>*>(names)->push_back(
        static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

// Every string of a module's table in a language as stored, by identifier, as UTF-8: without
// the fallback to English that the program has, so that a missing translation shows.
inline std::map<UINT, std::string> StringsOf(HMODULE module, LANGID language)
{
    std::vector<UINT> blocks;
    ::EnumResourceNamesW(module, MAKEINTRESOURCEW(6) /* RT_STRING */, AddStringBlock,
                         reinterpret_cast<LONG_PTR>(&blocks));
    std::map<UINT, std::string> strings;
    for (const UINT block : blocks) {
        HRSRC found = ::FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(block), language);
        if (found == nullptr)
            continue;
        const auto* units = static_cast<const WCHAR*>(::LockResource(::LoadResource(module, found)));
        const DWORD count = ::SizeofResource(module, found) / sizeof(WCHAR);
        DWORD at = 0;
        for (UINT i = 0; i < 16 && at < count; ++i) {
            const WORD length = units[at];
            if (length > 0 && at + length < count)
                strings[(block - 1) * 16 + i] = Utf8(std::wstring(units + at + 1, length).c_str());
            at += 1 + length;
        }
    }
    return strings;
}

// A format of the string table filled in as wsprintf would: "%s" and "%d" replaced in order.
inline std::string Filled(std::string format, const std::vector<std::string>& values)
{
    std::size_t at = 0;
    for (const std::string& value : values) {
        at = format.find('%', at);
        if (at == std::string::npos || at + 1 >= format.size())
            break;
        format.replace(at, 2, value);
        at += value.size();
    }
    return format;
}
