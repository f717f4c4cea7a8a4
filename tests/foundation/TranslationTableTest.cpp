#include "foundation/TranslationTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

namespace {

std::vector<std::string> placeholders(const std::string& text)
{
    static const std::regex placeholder(R"(%(@|d|\.1f|%))");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder); it != std::sregex_iterator(); ++it)
        found.push_back(it->str());
    return found;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

}  // namespace

TEST(TranslationTable, ParsesHeaderRowsAndEscapedLineFeeds)
{
    const auto table = parseTranslationTable("zh-Hans\ten\tja\n甲\\n乙\tA\\nB\tア\\nイ\r\nbroken\trow\n\n");
    EXPECT_EQ(table.languages, (std::vector<std::string>{"en", "ja"}));
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].key, "甲\n乙");
    EXPECT_EQ(table.rows[0].texts[0], "A\nB");
}

TEST(TranslationTable, TheBuiltInTableKeepsEveryRule)
{
    const TranslationTable& table = builtInTranslations();
    EXPECT_EQ(table.languages, (std::vector<std::string>{"en", "ja", "ko", "fr", "de", "es", "zh-Hant"}));
    EXPECT_EQ(table.rows.size(), 267u);

    std::set<std::string> keys;
    for (const auto& row : table.rows) {
        EXPECT_TRUE(keys.insert(row.key).second) << "duplicate key " << row.key;
        ASSERT_EQ(row.texts.size(), table.languages.size()) << row.key;
        for (std::size_t i = 0; i < row.texts.size(); ++i) {
            const std::string& text = row.texts[i];
            const std::string where = table.languages[i] + ": " + row.key;
            EXPECT_FALSE(text.empty()) << where;
            EXPECT_EQ(placeholders(text), placeholders(row.key)) << where;
            for (const char* mark : {"\n", "[[trigger]]", "{{⌘+⌥+P}}", "{{blue:", "{{bold:", "}}"})
                EXPECT_EQ(count(text, mark), count(row.key, mark)) << where << " mark " << mark;
        }
    }
}

// French sets a narrow no-break space before its high punctuation, so a colon or question
// mark never wraps onto a line of its own. The markup's own colons are not punctuation.
TEST(TranslationTable, FrenchHighPunctuationFollowsANarrowNoBreakSpace)
{
    const TranslationTable& table = builtInTranslations();
    const auto french = std::find(table.languages.begin(), table.languages.end(), "fr");
    ASSERT_NE(french, table.languages.end());
    const std::string narrowSpace = "\u202F";
    for (const auto& row : table.rows) {
        std::string text = row.texts[static_cast<std::size_t>(french - table.languages.begin())];
        for (const std::string markup : {"{{blue:", "{{bold:"})
            for (auto at = text.find(markup); at != std::string::npos; at = text.find(markup, at))
                text.erase(at, markup.size());
        for (std::size_t at = text.find_first_of(":;!?"); at != std::string::npos;
             at = text.find_first_of(":;!?", at + 1)) {
            const bool spaced = at >= narrowSpace.size() &&
                                text.compare(at - narrowSpace.size(), narrowSpace.size(), narrowSpace) == 0;
            EXPECT_TRUE(spaced) << "'" << text[at] << "' in " << text;
        }
    }
}
