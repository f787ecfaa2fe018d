#include "UiLanguage.h"

#include "drives/Policy.h"

#include <cwchar>

const LANGID kUiLanguages[19] = {
    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
    MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN),
    MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH),
    MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN),
    MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN),
    MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN),
    MAKELANGID(LANG_POLISH, SUBLANG_POLISH_POLAND),
    MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA),
    MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN),
    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED),
    MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL),
    MAKELANGID(LANG_KOREAN, SUBLANG_KOREAN),
    MAKELANGID(LANG_DUTCH, SUBLANG_DUTCH),
    MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY),
    MAKELANGID(LANG_CZECH, SUBLANG_CZECH_CZECH_REPUBLIC),
    MAKELANGID(LANG_SWEDISH, SUBLANG_SWEDISH),
    MAKELANGID(LANG_UKRAINIAN, SUBLANG_UKRAINIAN_UKRAINE),
    MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA),
    MAKELANGID(LANG_HEBREW, SUBLANG_HEBREW_ISRAEL),
};

namespace {

bool IsTraditionalChinese(LANGID language)
{
    const WORD sub = SUBLANGID(language);
    return PRIMARYLANGID(language) == LANG_CHINESE &&
           (sub == SUBLANG_CHINESE_TRADITIONAL || sub == SUBLANG_CHINESE_HONGKONG ||
            sub == SUBLANG_CHINESE_MACAU || sub == 0x1F /* zh-Hant */);
}

} // namespace

LANGID ChooseUiLanguage(const std::vector<LANGID>& preferred)
{
    for (const LANGID wanted : preferred) {
        for (const LANGID spoken : kUiLanguages) {
            if (spoken == wanted)
                return spoken;
        }
        // Hong Kong's and Macau's Chinese is written in Taiwan's script; every other Chinese
        // finds Simplified Chinese, which comes first in the list, by its family.
        if (IsTraditionalChinese(wanted))
            return MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
        for (const LANGID spoken : kUiLanguages) {
            if (PRIMARYLANGID(spoken) == PRIMARYLANGID(wanted))
                return spoken;
        }
    }
    return kUiLanguages[0];
}

std::vector<LANGID> PreferredUiLanguages()
{
    std::vector<LANGID> languages;
    const DWORD fixed = ReadLanguagePolicy();
    if (fixed != 0)
        languages.push_back(static_cast<LANGID>(fixed));
    // The list comes as identifiers in hexadecimal ("0407"), each ended by a zero, and an
    // empty one at the end.
    ULONG count = 0;
    ULONG size = 0;
    if (::GetUserPreferredUILanguages(MUI_LANGUAGE_ID, &count, nullptr, &size) && size > 0) {
        std::vector<wchar_t> list(size + 1, L'\0'); // always ends with two zeros
        if (::GetUserPreferredUILanguages(MUI_LANGUAGE_ID, &count, list.data(), &size)) {
            for (const wchar_t* item = list.data(); *item != L'\0'; item += std::wcslen(item) + 1) {
                const unsigned long id = std::wcstoul(item, nullptr, 16);
                if (id != 0 && id <= 0xFFFF)
                    languages.push_back(static_cast<LANGID>(id));
            }
        }
    }
    languages.push_back(::GetUserDefaultUILanguage());
    return languages;
}
