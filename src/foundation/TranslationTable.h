#pragma once

#include <map>
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

// The desktop variants: texts that stand in for the main table's on a desktop whose
// conventions name a text variant. The tab-separated form has a header "key<TAB>variant<TAB>
// zh-Hans<TAB>en<TAB>..." and one row per main-table key and variant; each variant becomes
// a table of its own whose languages begin with zh-Hans.
std::map<std::string, TranslationTable> parseVariantTables(std::string_view tsv);

// The variants compiled into the program by variant name, parsed once.
const std::map<std::string, TranslationTable>& builtInVariants();

// How desktops in each language write the keys a PC keyboard labels with words ("Strg" in
// German), keyed by the English word: the main table's form, with a header "key<TAB>zh-Hans
// <TAB>en<TAB>...". Compiled into the program, parsed once.
const TranslationTable& builtInKeyWords();
