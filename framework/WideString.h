// CWideString: a text in the platform's own UTF-16 characters, for texts that must be able to
// hold any character: the executable's path and name, and every text handed to the platform's
// wide functions. It offers only what those need. (std::wstring would do, but it brings the
// library's whole wide-string code, about 35 KB, into the executable.)
//
// Vexa's own texts are UTF-8 in std::string: the same bytes whatever the system's ANSI code
// page, and the library's narrow strings cost nothing extra. They become UTF-16 only where they
// meet the platform (AfxWiden), and the platform's UTF-16 texts become UTF-8 (AfxNarrow).
#pragma once

#include <cstddef>
#include <string>
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

// UTF-8 to UTF-16; a byte that is not UTF-8 becomes U+FFFD. Refer to MultiByteToWideChar.
CWideString AfxWiden(const std::string& utf8);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD. Refer to WideCharToMultiByte.
std::string AfxNarrow(const wchar_t* text, std::size_t length);

