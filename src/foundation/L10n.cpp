#include "foundation/L10n.h"

#include "foundation/Diag.h"
#include "foundation/TranslationTable.h"
#include "platform/core/PreferredLanguages.h"
#include "platform/defaults/Defaults.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

std::optional<AppLang::Value> AppLang::fromRawValue(long long raw)
{
    if (raw < system || raw > zhHant) return std::nullopt;
    return static_cast<Value>(raw);
}

AppLang::Value AppLang::current()
{
    const auto raw = defaults::Defaults::standard().integer("appLanguage");
    if (!raw) return system;
    return fromRawValue(*raw).value_or(system);
}

namespace L10n {
namespace {

using Table = std::unordered_map<std::string, std::string>;

// The table column of each translated language, by ResolvedLang (zhHans has none).
constexpr std::array<const char*, 8> columnCodes = {"", "zh-Hant", "en", "ja", "ko", "fr", "de", "es"};

const Table& tableFor(ResolvedLang lang)
{
    static const std::array<Table, 8> tables = [] {
        std::array<Table, 8> result;
        const TranslationTable& source = builtInTranslations();
        for (std::size_t lang = 1; lang < columnCodes.size(); ++lang) {
            std::size_t column = source.languages.size();
            for (std::size_t i = 0; i < source.languages.size(); ++i)
                if (source.languages[i] == columnCodes[lang]) column = i;
            if (column == source.languages.size()) continue;
            result[lang].reserve(source.rows.size());
            for (const auto& row : source.rows) result[lang].emplace(row.key, row.texts[column]);
        }
        return result;
    }();
    return tables[static_cast<std::size_t>(lang)];
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

std::string t(const std::string& zh)
{
    const ResolvedLang lang = resolved();
    if (lang == ResolvedLang::zhHans) return zh;
    return lookup(zh, tableFor(lang), languageCode(lang));
}

}  // namespace L10n
