#include "WideString.h"

#include <windows.h>

#include <cwchar>

CWideString::CWideString(const wchar_t* text, std::size_t length) : m_chars(text, text + length)
{
    m_chars.push_back(L'\0');
}

CWideString::CWideString(const wchar_t* text) : CWideString(text, std::wcslen(text)) {}

CWideString& CWideString::operator+=(const CWideString& more)
{
    m_chars.pop_back();
    m_chars.insert(m_chars.end(), more.m_chars.begin(), more.m_chars.end());
    return *this;
}

CWideString operator+(CWideString text, const CWideString& more)
{
    text += more;
    return text;
}

CWideString AfxWiden(const std::string& utf8)
{
    // Every UTF-8 byte gives at most one UTF-16 unit. Texts longer than an int can count are
    // cut: no text of Vexa's comes near.
    const int bytes = static_cast<int>(utf8.size() < 0x7FFFFFFF ? utf8.size() : 0x7FFFFFFF);
    std::vector<wchar_t> wide(static_cast<std::size_t>(bytes) + 1, L'\0');
    const int length =
        bytes > 0 ? ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, wide.data(), bytes) : 0;
    return CWideString(wide.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

std::string AfxNarrow(const wchar_t* text, std::size_t length)
{
    // Every UTF-16 unit gives at most three UTF-8 bytes.
    const int units = static_cast<int>(length < 0x7FFFFFFF / 3 ? length : 0x7FFFFFFF / 3);
    std::string utf8(static_cast<std::size_t>(units) * 3, '\0');
    const int bytes = units > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, text, units, &utf8[0],
                                                        static_cast<int>(utf8.size()), nullptr,
                                                        nullptr)
                                : 0;
    utf8.resize(static_cast<std::size_t>(bytes > 0 ? bytes : 0));
    return utf8;
}

