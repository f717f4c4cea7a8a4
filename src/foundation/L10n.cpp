#include "foundation/L10n.h"

#include "foundation/Diag.h"
#include "foundation/TranslationTable.h"
#include "platform/core/PreferredLanguages.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

static_assert(defaults::setting::appLanguage.fallback == AppLang::system &&
              defaults::setting::appLanguage.low == AppLang::system &&
              defaults::setting::appLanguage.high == AppLang::zhHant);

AppLang::Value AppLang::current() { return static_cast<Value>(defaults::setting::appLanguage.value()); }

namespace L10n {
namespace {

using Table = std::unordered_map<std::string, std::string>;

// One lookup table per language of a translation table; empty for a language it lacks.
std::array<Table, 8> tablesByLanguage(const TranslationTable& source)
{
    std::array<Table, 8> result;
    for (std::size_t lang = 0; lang < result.size(); ++lang) {
        const auto column = std::find(source.languages.begin(), source.languages.end(),
                                      std::string(columnCode(static_cast<ResolvedLang>(lang))));
        if (column == source.languages.end()) continue;
        const auto at = static_cast<std::size_t>(column - source.languages.begin());
        result[lang].reserve(source.rows.size());
        for (const auto& row : source.rows) result[lang].emplace(row.key, row.texts[at]);
    }
    return result;
}

const Table& tableFor(ResolvedLang lang)
{
    static const std::array<Table, 8> tables = tablesByLanguage(builtInTranslations());
    return tables[static_cast<std::size_t>(lang)];
}

// The desktop's variant of the text, if it has one.
const std::string* variantFor(const std::string& zh, ResolvedLang lang)
{
    static const std::map<std::string, std::array<Table, 8>> variants = [] {
        std::map<std::string, std::array<Table, 8>> result;
        for (const auto& [name, table] : builtInVariants()) result.emplace(name, tablesByLanguage(table));
        return result;
    }();
    const auto variant = variants.find(desktop::conventions().textVariant);
    if (variant == variants.end()) return nullptr;
    const Table& texts = variant->second[static_cast<std::size_t>(lang)];
    const auto text = texts.find(zh);
    return text == texts.end() ? nullptr : &text->second;
}

std::string lookup(const std::string& zh, const Table& main, const std::string& code)
{
    if (const auto it = main.find(zh); it != main.end()) return it->second;
    static std::mutex mutex;
    static std::unordered_set<std::string> missingLogged;
    bool first;
    {
        std::lock_guard lock(mutex);
        first = missingLogged.insert(zh).second;
    }
    if (first) Diag::log("L10n 缺翻译[" + code + "]: " + zh);
    return zh;
}

// The language subtag of an identifier such as "zh-Hant-TW" or "fr_CA", compared as
// written: "EN-US" matches nothing.
ResolvedLang fromPreferredLanguages()
{
    static const std::array<std::pair<std::string_view, ResolvedLang>, 6> languages = {{
        {"ja", ResolvedLang::ja},
        {"ko", ResolvedLang::ko},
        {"fr", ResolvedLang::fr},
        {"de", ResolvedLang::de},
        {"es", ResolvedLang::es},
        {"en", ResolvedLang::en},
    }};
    for (std::string identifier : core::preferredLanguages()) {
        std::replace(identifier.begin(), identifier.end(), '_', '-');
        const std::string_view language = std::string_view(identifier).substr(0, identifier.find('-'));
        if (language == "zh" || language == "yue") {
            std::string lower = identifier;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            for (const char* mark : {"hant", "-tw", "-hk", "-mo"})
                if (lower.find(mark) != std::string::npos) return ResolvedLang::zhHant;
            return ResolvedLang::zhHans;
        }
        for (const auto& [code, lang] : languages)
            if (language == code) return lang;
    }
    return ResolvedLang::en;
}

}  // namespace

ResolvedLang resolved()
{
    switch (AppLang::current()) {
    case AppLang::system: return fromPreferredLanguages();
    case AppLang::zhHans: return ResolvedLang::zhHans;
    case AppLang::en: return ResolvedLang::en;
    case AppLang::ja: return ResolvedLang::ja;
    case AppLang::ko: return ResolvedLang::ko;
    case AppLang::fr: return ResolvedLang::fr;
    case AppLang::de: return ResolvedLang::de;
    case AppLang::es: return ResolvedLang::es;
    case AppLang::zhHant: return ResolvedLang::zhHant;
    }
    return ResolvedLang::en;
}

std::string languageCode(ResolvedLang lang)
{
    switch (lang) {
    case ResolvedLang::zhHans: return "";
    case ResolvedLang::zhHant: return "zhHant";
    case ResolvedLang::en: return "en";
    case ResolvedLang::ja: return "ja";
    case ResolvedLang::ko: return "ko";
    case ResolvedLang::fr: return "fr";
    case ResolvedLang::de: return "de";
    case ResolvedLang::es: return "es";
    }
    return "";
}

const char* columnCode(ResolvedLang lang)
{
    // The main table has no zh-Hans column: its keys are the zh-Hans texts.
    static constexpr std::array<const char*, 8> codes = {"zh-Hans", "zh-Hant", "en", "ja", "ko", "fr", "de", "es"};
    return codes[static_cast<std::size_t>(lang)];
}

std::string t(const std::string& zh)
{
    const ResolvedLang lang = resolved();
    if (const std::string* variant = variantFor(zh, lang)) return *variant;
    if (lang == ResolvedLang::zhHans) return zh;
    return lookup(zh, tableFor(lang), languageCode(lang));
}

}  // namespace L10n
