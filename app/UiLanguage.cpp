#include "UiLanguage.h"

#include "drives/Policy.h"

#include <cwchar>

const LANGID kUiLanguages[10] = {
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
        if (IsTraditionalChinese(wanted))
            continue;
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
