#include "Font.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* attributes)
{
    DeleteObject();
    m_hObject = ::CreateFontIndirectA(attributes);
    return m_hObject != nullptr;
}

BOOL CFont::DeleteObject()
{
    if (m_hObject == nullptr)
        return FALSE;
    const BOOL deleted = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return deleted;
}

BOOL CFont::GetLogFont(LOGFONTA* attributes) const
{
    return m_hObject != nullptr &&
           ::GetObjectA(m_hObject, sizeof(LOGFONTA), attributes) == sizeof(LOGFONTA);
}
