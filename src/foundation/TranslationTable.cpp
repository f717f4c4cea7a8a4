#include "foundation/TranslationTable.h"

extern const char* const glimraStringsTsv;
extern const char* const glimraVariantsTsv;
extern const char* const glimraKeyWordsTsv;

namespace {

std::vector<std::string> splitTabs(std::string_view line)
{
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        cells.emplace_back(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return cells;
}

std::string unescapeLineFeeds(const std::string& cell)
{
    std::string text;
    text.reserve(cell.size());
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] == '\\' && i + 1 < cell.size() && cell[i + 1] == 'n') {
            text += '\n';
            ++i;
        } else {
            text += cell[i];
        }
    }
    return text;
}

}  // namespace

TranslationTable parseTranslationTable(std::string_view tsv)
{
    TranslationTable table;
    bool header = true;
    std::size_t start = 0;
    while (start < tsv.size()) {
        auto end = tsv.find('\n', start);
        if (end == std::string_view::npos) end = tsv.size();
        std::string_view line = tsv.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        auto cells = splitTabs(line);
        if (header) {
            header = false;
            table.languages.assign(cells.begin() + 1, cells.end());
            continue;
        }
        if (cells.size() != table.languages.size() + 1) continue;
        TranslationTable::Row row;
        row.key = unescapeLineFeeds(cells[0]);
        for (std::size_t i = 1; i < cells.size(); ++i) row.texts.push_back(unescapeLineFeeds(cells[i]));
        table.rows.push_back(std::move(row));
    }
    return table;
}

const TranslationTable& builtInTranslations()
{
    static const TranslationTable table = parseTranslationTable(glimraStringsTsv);
    return table;
}

std::map<std::string, TranslationTable> parseVariantTables(std::string_view tsv)
{
    const TranslationTable whole = parseTranslationTable(tsv);
    std::map<std::string, TranslationTable> variants;
    if (whole.languages.empty()) return variants;
    for (const auto& row : whole.rows) {
        TranslationTable& variant = variants[row.texts.front()];
        if (variant.languages.empty()) variant.languages.assign(whole.languages.begin() + 1, whole.languages.end());
        variant.rows.push_back({row.key, {row.texts.begin() + 1, row.texts.end()}});
    }
    return variants;
}

const std::map<std::string, TranslationTable>& builtInVariants()
{
    static const std::map<std::string, TranslationTable> variants = parseVariantTables(glimraVariantsTsv);
    return variants;
}

const TranslationTable& builtInKeyWords()
{
    static const TranslationTable table = parseTranslationTable(glimraKeyWordsTsv);
    return table;
}
