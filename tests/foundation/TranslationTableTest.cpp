#include "foundation/TranslationTable.h"

#include "support/TestEnvironment.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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

std::string column(const TranslationTable::Row& row, const TranslationTable& table, const std::string& language)
{
    const auto at = std::find(table.languages.begin(), table.languages.end(), language);
    if (at == table.languages.end()) return {};
    return row.texts[static_cast<std::size_t>(at - table.languages.begin())];
}

// Every percent sign: a literal one, or "%%" in a format.
std::vector<std::size_t> percentSigns(const std::string& text)
{
    std::vector<std::size_t> found;
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        if (next == '%') {
            found.push_back(at++);
        } else if (next != '@' && next != 'd' && next != '.') {
            found.push_back(at);
        }
    }
    return found;
}

bool endsWith(const std::string& text, std::size_t end, const std::string& tail)
{
    return end >= tail.size() && text.compare(end - tail.size(), tail.size(), tail) == 0;
}

// The Simplified Chinese text of a row: its own column in a variant table, the key in the
// main one.
std::string chineseOf(const TranslationTable::Row& row, const TranslationTable& table)
{
    const std::string own = column(row, table, "zh-Hans");
    return own.empty() ? row.key : own;
}

// The main table and every desktop variant, each checked by the same rules.
std::vector<std::pair<std::string, const TranslationTable*>> everyTable()
{
    std::vector<std::pair<std::string, const TranslationTable*>> tables{{"main", &builtInTranslations()}};
    for (const auto& [name, table] : builtInVariants()) tables.emplace_back(name, &table);
    return tables;
}

// No cell is empty, and every text keeps its Chinese text's placeholders, line breaks and markup.
void expectEveryRowComplete(const TranslationTable& table, const std::string& name)
{
    std::set<std::string> keys;
    for (const auto& row : table.rows) {
        EXPECT_TRUE(keys.insert(row.key).second) << name << ": duplicate key " << row.key;
        ASSERT_EQ(row.texts.size(), table.languages.size()) << name << ": " << row.key;
        const std::string chinese = chineseOf(row, table);
        for (std::size_t i = 0; i < row.texts.size(); ++i) {
            const std::string& text = row.texts[i];
            const std::string where = name + " " + table.languages[i] + ": " + row.key;
            EXPECT_FALSE(text.empty()) << where;
            EXPECT_EQ(placeholders(text), placeholders(row.key)) << where;
            for (const char* mark : {"\n", "[[trigger]]", "{{", "{{⌘+⌥+P}}", "{{blue:", "{{bold:", "}}"})
                EXPECT_EQ(count(text, mark), count(chinese, mark)) << where << " mark " << mark;
        }
    }
}

}  // namespace

TEST(TranslationTable, ParsesHeaderRowsAndEscapedLineFeeds)
{
    const auto table = parseTranslationTable("zh-Hans\ten\tja\n甲\\n乙\tA\\nB\tア\\nイ\r\nbroken\trow\n\n");
    EXPECT_EQ(table.languages, (std::vector<std::string>{"en", "ja"}));
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0].key, "甲\n乙");
    EXPECT_EQ(table.rows[0].texts[0], "A\nB");

    const auto variants =
        parseVariantTables("key\tvariant\tzh-Hans\ten\n甲\tlinux\t乙\tB\n丙\tother\t丁\tD\n戊\tlinux\t己\tF\n");
    ASSERT_EQ(variants.size(), 2u);
    const TranslationTable& linuxTexts = variants.at("linux");
    EXPECT_EQ(linuxTexts.languages, (std::vector<std::string>{"zh-Hans", "en"}));
    ASSERT_EQ(linuxTexts.rows.size(), 2u);
    EXPECT_EQ(linuxTexts.rows[1].key, "戊");
    EXPECT_EQ(linuxTexts.rows[1].texts, (std::vector<std::string>{"己", "F"}));
    EXPECT_EQ(variants.at("other").rows[0].texts[1], "D");
}

TEST(TranslationTable, TheBuiltInTableKeepsEveryRule)
{
    const TranslationTable& table = builtInTranslations();
    EXPECT_EQ(table.languages, (std::vector<std::string>{"en", "ja", "ko", "fr", "de", "es", "zh-Hant"}));
    expectEveryRowComplete(table, "main");
}

// The Linux texts stand in for main-table rows in every language, Simplified Chinese
// included, with the same placeholders; they name neither the Mac nor its keys nor the Dock,
// and every main-table row that writes a Mac key or names the Dock has one.
TEST(TranslationTable, TheLinuxVariantsKeepEveryRuleAndNameNoMacOrMacKey)
{
    const auto& variants = builtInVariants();
    ASSERT_EQ(variants.size(), 1u);
    const TranslationTable& linuxTexts = variants.at("linux");
    EXPECT_EQ(linuxTexts.languages,
              (std::vector<std::string>{"zh-Hans", "en", "ja", "ko", "fr", "de", "es", "zh-Hant"}));
    expectEveryRowComplete(linuxTexts, "linux");

    std::set<std::string> mainKeys;
    std::set<std::string> namingTheDock;
    const std::regex dock(R"(\bDock\b)");
    for (const auto& row : builtInTranslations().rows) {
        mainKeys.insert(row.key);
        for (const std::string& text : row.texts)
            if (std::regex_search(text, dock)) namingTheDock.insert(row.key);
    }
    std::set<std::string> varied;
    const std::regex macWords(
        R"(\bMac\b|macOS|\bDock\b|⌘|⌥|⌃|⇧|⌫|\bfn\b|menu bar|barre des menus|Menüleiste|barra de menús|メニューバー|)"
        R"(메뉴 막대|菜单栏|選單列|System Settings|Réglages Système|Systemeinstellungen|Ajustes del Sistema|)"
        R"(システム設定|시스템 설정|系统设置|系統設定|Applications|„Programme“|Aplicaciones|アプリケーション|)"
        R"(응용 프로그램|「应用程序」|「應用程式」)");
    for (const auto& row : linuxTexts.rows) {
        EXPECT_TRUE(mainKeys.count(row.key)) << "no such main-table key: " << row.key;
        varied.insert(row.key);
        for (const std::string& text : row.texts) EXPECT_FALSE(std::regex_search(text, macWords)) << text;
    }
    const std::regex macKeys("⌘|⌥|⌃|⇧|⌫");
    for (const std::string& key : mainKeys)
        EXPECT_TRUE(!std::regex_search(key, macKeys) || varied.count(key)) << "no Linux variant: " << key;
    for (const std::string& key : namingTheDock) EXPECT_TRUE(varied.count(key)) << "no Linux variant: " << key;
}

// Keys are written as desktops in each language write them, in the words of the key-word
// table the recorder and the menu also use: no text names a key in another language's
// word for it, and the hold keys' row names each in its own.
TEST(TranslationTable, TheLinuxKeyNamesAreThoseOfEachLanguagesDesktops)
{
    const TranslationTable& keyWords = builtInKeyWords();
    ASSERT_EQ(keyWords.languages,
              (std::vector<std::string>{"zh-Hans", "en", "ja", "ko", "fr", "de", "es", "zh-Hant"}));
    const TranslationTable& linuxTexts = builtInVariants().at("linux");
    const std::string holdKeysRow = "组合键需包含 ⌘/⌥/⌃ 中的至少一个；按住型可选 ⌘/⌥/⌃/⇧/fn，按 ⌫ 恢复默认键；Esc 取消录制。";
    for (const auto& word : keyWords.rows) {
        EXPECT_EQ(column(word, keyWords, "en"), word.key) << "the log's words are the keys";
        for (const auto& language : keyWords.languages) {
            const std::string own = column(word, keyWords, language);
            for (const auto& row : linuxTexts.rows) {
                const std::string text = column(row, linuxTexts, language);
                for (const auto& other : keyWords.languages) {
                    const std::string foreign = column(word, keyWords, other);
                    if (foreign == own) continue;
                    EXPECT_FALSE(std::regex_search(text, std::regex("\\b" + foreign + "\\b")))
                        << language << " names " << foreign << ": " << text;
                }
                const bool holdKey = word.key == "Ctrl" || word.key == "Shift" || word.key == "Backspace";
                if (row.key != holdKeysRow || !holdKey) continue;
                EXPECT_NE(text.find(own), std::string::npos) << language << " lacks " << own << ": " << text;
            }
        }
    }
}

// French sets a narrow no-break space before its high punctuation, so a colon or question
// mark never wraps onto a line of its own. The markup's own colons are not punctuation.
TEST(TranslationTable, FrenchHighPunctuationFollowsANarrowNoBreakSpace)
{
    const std::string narrowSpace = "\u202F";
    for (const auto& [name, table] : everyTable()) {
        for (const auto& row : table->rows) {
            std::string text = column(row, *table, "fr");
            for (const std::string markup : {"{{blue:", "{{bold:"})
                for (auto at = text.find(markup); at != std::string::npos; at = text.find(markup, at))
                    text.erase(at, markup.size());
            for (std::size_t at = text.find_first_of(":;!?"); at != std::string::npos;
                 at = text.find_first_of(":;!?", at + 1)) {
                const bool spaced = at >= narrowSpace.size() &&
                                    text.compare(at - narrowSpace.size(), narrowSpace.size(), narrowSpace) == 0;
                EXPECT_TRUE(spaced) << name << ": '" << text[at] << "' in " << text;
            }
        }
    }
}

// Percent signs keep their number on the same line and decimals take a comma, as the
// settings' values do; French quotes hold the quoted words with narrow no-break spaces and
// name the Esc key as its keyboards do.
TEST(TranslationTable, FrenchGermanAndSpanishKeepTheirTypography)
{
    const std::map<std::string, std::string> percentSpace{{"fr", "\u202F"}, {"de", "\u00A0"}, {"es", "\u00A0"}};
    const std::regex esc(R"(\bEsc\b)");
    const std::regex decimalPoint(R"(\d\.\d)");
    for (const auto& [name, table] : everyTable()) {
        for (const auto& row : table->rows) {
            for (const auto& [language, space] : percentSpace) {
                const std::string text = column(row, *table, language);
                for (const std::size_t at : percentSigns(text))
                    EXPECT_TRUE(endsWith(text, at, space)) << name << " " << language << ": " << text;
                EXPECT_FALSE(std::regex_search(text, decimalPoint)) << name << " " << language << ": " << text;
            }
            const std::string french = column(row, *table, "fr");
            for (std::size_t at = french.find("«"); at != std::string::npos; at = french.find("«", at + 1))
                EXPECT_EQ(french.compare(at + std::string("«").size(), 3, "\u202F"), 0) << french;
            for (std::size_t at = french.find("»"); at != std::string::npos; at = french.find("»", at + 1))
                EXPECT_TRUE(endsWith(french, at, "\u202F")) << french;
            EXPECT_EQ(french.find('"'), std::string::npos) << french;
            EXPECT_FALSE(std::regex_search(french, esc)) << french;
        }
    }
}

// resources/l10n/glossary.tsv names one word per term and language; a form may be a
// stem, so that its inflections match. Every row whose Chinese holds a term's word
// uses that language's word (or one of its forms), whatever its case.
TEST(TranslationTable, EveryRowUsesTheGlossaryTerms)
{
    const TranslationTable& main = builtInTranslations();
    const TranslationTable glossary =
        parseTranslationTable(testsupport::readFile(std::string(GLIMRA_L10N_DIR) + "/glossary.tsv"));
    ASSERT_EQ(glossary.languages.size(), main.languages.size() + 1);
    EXPECT_TRUE(std::equal(main.languages.begin(), main.languages.end(), glossary.languages.begin() + 1));
    ASSERT_EQ(glossary.rows.size(), 8u);
    const auto forms = [](const std::string& cell) {
        QStringList list;
        for (const QString& form : QString::fromStdString(cell).split(" | ")) list.push_back(form.toLower());
        return list;
    };
    const auto holdsOne = [](const QString& text, const QStringList& list) {
        return std::any_of(list.begin(), list.end(), [&](const QString& form) { return text.contains(form); });
    };
    for (const auto& term : glossary.rows) {
        const QStringList chinese = forms(term.texts[0]);
        int rows = 0;
        for (const auto& [name, table] : everyTable()) {
            for (const auto& row : table->rows) {
                if (!holdsOne(QString::fromStdString(chineseOf(row, *table)), chinese)) continue;
                ++rows;
                for (std::size_t i = 0; i < main.languages.size(); ++i)
                    EXPECT_TRUE(holdsOne(QString::fromStdString(column(row, *table, main.languages[i])).toLower(),
                                         forms(term.texts[i + 1])))
                        << term.key << " in " << name << " " << main.languages[i] << ": "
                        << column(row, *table, main.languages[i]);
            }
        }
        EXPECT_GT(rows, 0) << term.key;
    }
}
