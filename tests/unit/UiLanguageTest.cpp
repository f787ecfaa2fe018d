// The user's language for a list of preferred display languages, most wanted first.
#include "support/PolicyKeys.h"

#include "app/UiLanguage.h"

#include <gtest/gtest.h>

namespace {

TEST(UiLanguage, TheFirstPreferredLanguageSpokenWinsByLanguageThenByFamily)
{
    const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const LANGID french = MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH);
    const LANGID japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN);
    const LANGID greek = MAKELANGID(LANG_GREEK, SUBLANG_GREEK_GREECE);
    const LANGID taiwanese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
    const struct {
        std::vector<LANGID> preferred;
        LANGID shown;
    } cases[] = {
        {{japanese, english}, japanese},
        {{MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MEXICAN)},
         MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN)}, // the same family
        {{MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE)},
         MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN)},
        {{MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN), japanese}, french}, // the first wanted
        {{greek, french}, french},                    // one not spoken is passed over
        {{greek}, english},                           // nothing spoken: English
        {{}, english},
        {{MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_HONGKONG), japanese}, taiwanese}, // its script
        {{MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SINGAPORE)},
         MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)},
        {{0, 0xFFFF, french}, french},                // nonsense is passed over
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preferred.empty() ? 0 : c.preferred.front());
        EXPECT_EQ(c.shown, ChooseUiLanguage(c.preferred));
    }
}

// An administrator's language comes before the user's own; the machine's before the user's
// policy. A value that is no language identifier is not one.
TEST(UiLanguage, AnAdministratorsLanguageComesFirst)
{
    const PolicyKeys policies;
    const std::vector<LANGID> users = PreferredUiLanguages();
    ASSERT_FALSE(users.empty());
    EXPECT_EQ(::GetUserDefaultUILanguage(), users.back());

    SetPolicy(HKEY_CURRENT_USER, kPolicyLanguage, 1041);
    EXPECT_EQ(1041, PreferredUiLanguages().front());
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLanguage, 1031);
    EXPECT_EQ(1031, PreferredUiLanguages().front());

    DeletePolicies();
    const char text[] = "1031";
    SetPolicy(HKEY_LOCAL_MACHINE, kPolicyLanguage, REG_SZ, text, sizeof(text));
    SetPolicy(HKEY_CURRENT_USER, kPolicyLanguage, 0x10407);
    EXPECT_EQ(users, PreferredUiLanguages());
}

} // namespace
