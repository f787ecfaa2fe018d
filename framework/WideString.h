// CWideString: a text in the platform's own UTF-16 characters, for the few texts that must be
// able to hold any character: the executable's path and name. It offers only what those need.
// (std::wstring would do, but it brings the library's whole wide-string code, about 35 KB, into
// the executable.)
#pragma once

#include <cstddef>
#include <vector>

class CWideString {
public:
    CWideString() : m_chars(1, L'\0') {}
    CWideString(const wchar_t* text, std::size_t length);
    CWideString(const wchar_t* text); // NOLINT: a literal stands for its text

    const wchar_t* c_str() const { return m_chars.data(); }
    std::size_t size() const { return m_chars.size() - 1; }
    bool empty() const { return size() == 0; }

    CWideString& operator+=(const CWideString& more);

private:
    std::vector<wchar_t> m_chars; // the characters and a terminating zero
};

CWideString operator+(CWideString text, const CWideString& more);
