// Which of the languages Vexa speaks the user gets: chosen once, at start, from the user's
// preferred display languages, unless an administrator fixes one.
#pragma once

#include <windows.h>

#include <vector>

// The languages of Vexa's user interface, US English first.
extern const LANGID kUiLanguages[19];

// The language to show for a list of preferred languages, most wanted first: for each in turn,
// the same language, else one of the same family (Mexican Spanish gets Spanish, European
// Portuguese gets Brazilian Portuguese); US English when none of them is spoken. Traditional
// Chinese (Taiwan's, Hong Kong's, Macau's) gets Traditional Chinese, never Simplified Chinese,
// which is another script.
LANGID ChooseUiLanguage(const std::vector<LANGID>& preferred);

// The user's preferred display languages, most wanted first, with the language an
// administrator fixes before them. Refer to GetUserPreferredUILanguages, and to
// GetUserDefaultUILanguage where that has nothing to say.
std::vector<LANGID> PreferredUiLanguages();
