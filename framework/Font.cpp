#include "Font.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* attributes)
{
    m_font.Reset(::CreateFontIndirectA(attributes));
    return m_font.IsValid();
}

BOOL CFont::GetLogFont(LOGFONTA* attributes) const
{
    return m_font.IsValid() &&
           ::GetObjectA(m_font.Get(), sizeof(LOGFONTA), attributes) == sizeof(LOGFONTA);
}
