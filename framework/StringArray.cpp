#include "StringArray.h"

INT_PTR CStringArray::Add(const std::string& text)
{
    m_items.push_back(text);
    return GetSize() - 1;
}

const std::string& CStringArray::GetAt(INT_PTR index) const
{
    CheckIndex(index);
    return m_items[static_cast<std::size_t>(index)];
}

void CStringArray::SetAt(INT_PTR index, const std::string& text)
{
    CheckIndex(index);
    m_items[static_cast<std::size_t>(index)] = text;
}

void CStringArray::CheckIndex(INT_PTR index) const
{
    if (index < 0 || index >= GetSize())
        throw CInvalidArgException();
}
