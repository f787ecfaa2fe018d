// CFont: owns one GDI font and deletes it with the object.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

class CFont {
public:
    // The font, still owned here; nullptr when there is none.
    HFONT GetSafeHandle() const { return m_font.Get(); }
    operator HFONT() const { return m_font.Get(); }

    // Creates the font, replacing any owned one. Refer to CreateFontIndirectA.
    BOOL CreateFontIndirect(const LOGFONTA* attributes);

    // Deletes the owned font, if any. Refer to DeleteObject.
    BOOL DeleteObject() { return m_font.Reset(); }

    // Reads the font's attributes. Refer to GetObjectA.
    BOOL GetLogFont(LOGFONTA* attributes) const;

private:
    CUniqueHandle<FontTraits> m_font;
};
