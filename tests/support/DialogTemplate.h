// A dialog template as the program's resources hold it (DIALOGEX), read item by item, so that
// a test can compare the window the dialog manager built with its template instead of with a
// copy of it.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

struct DialogTemplateItem {
    int id; // -1 for the template's "no identifier" (0xFFFF)
    std::string className;
    std::string text; // empty when the template names a resource instead of a text
    DWORD style;
    RECT units; // x, y, width, height in dialog units
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT units = {}; // as for the items
    std::string caption;
    std::string face; // the font's, when the template names one
    std::vector<DialogTemplateItem> items;
};

namespace dialog_template_detail {

// Reads the template's little-endian fields one after the other.
class Reader {
public:
    Reader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Ok() const { return m_ok; }

    template <class T>
    T Read()
    {
        T value = T();
        if (m_at + sizeof(T) > m_size) {
            m_ok = false;
            return value;
        }
        std::memcpy(&value, m_data + m_at, sizeof(T));
        m_at += sizeof(T);
        return value;
    }

    // A text or an ordinal (0xFFFF and a number); none is an empty text. Ordinals come back as
    // "#n".
    std::string TextOrOrdinal()
    {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF)
            return "#" + std::to_string(Read<WORD>());
        std::wstring text;
        for (WORD c = first; m_ok && c != 0; c = Read<WORD>())
            text += static_cast<wchar_t>(c);
        std::string narrow(text.size() * 4 + 1, '\0');
        const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                 &narrow[0], static_cast<int>(narrow.size()), nullptr, nullptr);
        narrow.resize(static_cast<std::size_t>(length > 0 ? length : 0));
        return narrow;
    }

    void Skip(std::size_t bytes) { m_at += bytes; }
    void AlignToDword() { m_at = (m_at + 3) & ~static_cast<std::size_t>(3); }

private:
    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

inline RECT ReadUnits(Reader& reader)
{
    RECT units;
    units.left = reader.Read<short>();
    units.top = reader.Read<short>();
    units.right = reader.Read<short>();
    units.bottom = reader.Read<short>();
    return units;
}

} // namespace dialog_template_detail

// The template of dialog id in a language (US English unless told), with no fallback to another,
// from a module (the running program unless told); no items when it cannot be read.
inline DialogTemplate LoadDialogTemplate(int id,
                                         LANGID language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                         HMODULE module = ::GetModuleHandleA(nullptr))
{
    using dialog_template_detail::Reader;
    DialogTemplate result;
    HRSRC found = ::FindResourceExW(module, MAKEINTRESOURCEW(5) /* RT_DIALOG */,
                                    MAKEINTRESOURCEW(id), language);
    if (found == nullptr)
        return result;
    Reader reader(static_cast<const BYTE*>(::LockResource(::LoadResource(module, found))),
                  ::SizeofResource(module, found));
    if (reader.Read<WORD>() != 1 || reader.Read<WORD>() != 0xFFFF)
        return result; // not a DIALOGEX
    reader.Read<DWORD>(); // help identifier
    result.exStyle = reader.Read<DWORD>();
    result.style = reader.Read<DWORD>();
    const WORD count = reader.Read<WORD>();
    result.units = dialog_template_detail::ReadUnits(reader);
    reader.TextOrOrdinal(); // menu
    reader.TextOrOrdinal(); // class
    result.caption = reader.TextOrOrdinal();
    if ((result.style & DS_SETFONT) != 0) {
        reader.Skip(2 * sizeof(WORD) + 2 * sizeof(BYTE)); // size, weight, italic, character set
        result.face = reader.TextOrOrdinal();
    }
    static const char* const kOrdinalClasses[] = {"Button", "Edit", "Static", "ListBox",
                                                  "ScrollBar", "ComboBox"};
    std::vector<DialogTemplateItem> items;
    for (WORD i = 0; i < count && reader.Ok(); ++i) {
        reader.AlignToDword();
        DialogTemplateItem item;
        reader.Read<DWORD>(); // help identifier
        reader.Read<DWORD>(); // extended style
        item.style = reader.Read<DWORD>();
        item.units = dialog_template_detail::ReadUnits(reader);
        const DWORD itemId = reader.Read<DWORD>();
        item.id = itemId == 0xFFFF ? -1 : static_cast<int>(itemId);
        item.className = reader.TextOrOrdinal();
        if (item.className.size() == 4 && item.className.compare(0, 2, "#1") == 0) {
            const int ordinal = std::stoi(item.className.substr(1));
            if (ordinal >= 0x80 && ordinal < 0x86)
                item.className = kOrdinalClasses[ordinal - 0x80];
        }
        item.text = reader.TextOrOrdinal();
        if (!item.text.empty() && item.text[0] == '#')
            item.text.clear(); // a resource (the icon), not a text
        reader.Skip(reader.Read<WORD>()); // creation data
        items.push_back(item);
    }
    if (reader.Ok())
        result.items = items;
    return result;
}
