// CStringArray: a growable list of 8-bit strings. An index outside the list raises
// CInvalidArgException and changes nothing.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

class CInvalidArgException : public std::exception {
public:
    const char* what() const noexcept override { return "Encountered an improper argument."; }
};

class CStringArray {
public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }

    // Appends a copy of the text; returns its index.
    INT_PTR Add(const std::string& text);

    const std::string& GetAt(INT_PTR index) const;
    void SetAt(INT_PTR index, const std::string& text);

    void RemoveAll() { m_items.clear(); }

private:
    void CheckIndex(INT_PTR index) const;

    std::vector<std::string> m_items;
};
