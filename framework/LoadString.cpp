#include "LoadString.h"

#include "ResourceLanguage.h"
#include "WideString.h"

#include <cstdarg>

namespace {

const wchar_t* const kStringTables = MAKEINTRESOURCEW(6); // RT_STRING

// A string table holds its strings in blocks of 16, each string counted, not terminated: block
// n + 1 holds strings 16n to 16n + 15. An empty string is one the block does not have.
std::string FindString(HRSRC block, UINT id)
{
    DWORD size = 0;
    const auto* units = static_cast<const WCHAR*>(AfxLockResource(block, &size));
    if (units == nullptr)
        return std::string();
    const DWORD count = size / sizeof(WCHAR);
    DWORD at = 0;
    for (UINT i = 0; i < id % 16; ++i) {
        if (at >= count)
            return std::string();
        at += 1 + units[at];
    }
    if (at >= count || units[at] > count - at - 1)
        return std::string(); // a block that ends before its string does
    return AfxNarrow(units + at + 1, units[at]);
}

} // namespace

std::string AfxLoadString(UINT id)
{
    // The fallback is string by string: a language may leave out one text of a block.
    const UINT block = id / 16 + 1;
    std::string text = FindString(AfxFindResourceIn(kStringTables, block, AfxGetResourceLanguage()), id);
    if (text.empty() && AfxGetResourceLanguage() != kFallbackLanguage)
        text = FindString(AfxFindResourceIn(kStringTables, block, kFallbackLanguage), id);
    return text;
}

std::string AfxFormatString(UINT id, ...)
{
    const std::string format = AfxLoadString(id);
    char text[1025]; // wvsprintfA writes at most 1024 characters and the terminator
    va_list arguments;
    va_start(arguments, id);
    const int length = ::wvsprintfA(text, format.c_str(), arguments);
    va_end(arguments);
    return std::string(text, static_cast<std::size_t>(length > 0 ? length : 0));
}
