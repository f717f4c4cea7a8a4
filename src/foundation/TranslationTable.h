#pragma once

#include <string>
#include <string_view>
#include <vector>

// The built-in translations: one row per Simplified Chinese key, one text per language.
struct TranslationTable {
    // Column codes after the key column, e.g. "en", "ja", ..., "zh-Hant".
    std::vector<std::string> languages;
    struct Row {
        std::string key;
        std::vector<std::string> texts;  // in the order of `languages`
    };
    std::vector<Row> rows;
};

// Parses the tab-separated form: a header "zh-Hans<TAB>en<TAB>...", then one row per key;
// the two characters "\n" inside a cell stand for a line feed. Rows with a wrong cell
// count are skipped.
TranslationTable parseTranslationTable(std::string_view tsv);

// The table compiled into the program, parsed once.
const TranslationTable& builtInTranslations();
