#pragma once

#include <string>

// The user's interface-language choice, stored as "appLanguage".
struct AppLang {
    enum Value { system = 0, zhHans = 1, en = 2, ja = 3, ko = 4, fr = 5, de = 6, es = 7, zhHant = 8 };

    // Read from the settings on every call; anything unusable means `system`.
    static Value current();
};

// The effective interface language.
enum class ResolvedLang { zhHans, zhHant, en, ja, ko, fr, de, es };

namespace L10n {

// The text of a Simplified Chinese key in the effective language: the desktop's variant of
// it where the desktop's conventions name a variant that has one. Any thread.
std::string t(const std::string& zh);

// Computed on every call from the setting and the system's preferred languages.
ResolvedLang resolved();

// The code used in the missing-translation line ("zhHant", "en", ...); empty for zhHans.
std::string languageCode(ResolvedLang lang);

// The language's column in the translation tables ("zh-Hans", "zh-Hant", "en", ...).
const char* columnCode(ResolvedLang lang);

}  // namespace L10n
