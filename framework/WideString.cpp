#include "WideString.h"

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
