// CFont: owns one GDI font and deletes it with the object.
#pragma once

#include <windows.h>

class CFont {
public:
    CFont() = default;
    ~CFont() { DeleteObject(); }
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    HFONT m_hObject = nullptr;

    operator HFONT() const { return m_hObject; }

    // Creates the font, replacing any owned one. Refer to CreateFontIndirectA.
    BOOL CreateFontIndirect(const LOGFONTA* attributes);

    // Deletes the owned font, if any. Refer to DeleteObject.
    BOOL DeleteObject();

    // Reads the font's attributes. Refer to GetObjectA.
    BOOL GetLogFont(LOGFONTA* attributes) const;
};
