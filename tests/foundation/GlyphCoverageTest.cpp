#include "foundation/TranslationTable.h"
#include "platform/ui/UiFont.h"

#include "support/QtTestApplication.h"

#include <QRawFont>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

// Every character of every text, in every language, has a glyph in the families the
// interface names, so none shows as a box or depends on what else is installed.
TEST(GlyphCoverage, EveryTranslatedCharacterHasAGlyphInTheInterfaceFonts)
{
    testsupport::ensureQtApplication();
    std::vector<QRawFont> fonts;
    for (const QString& family : ui::fontFamilies(ui::FontSpec::Weight::regular)) {
        fonts.push_back(QRawFont::fromFont(QFont(family)));
        ASSERT_TRUE(fonts.back().isValid()) << family.toStdString();
        ASSERT_EQ(fonts.back().familyName(), family) << "not installed";
    }
    const TranslationTable& table = builtInTranslations();
    for (const auto& row : table.rows) {
        std::vector<std::string> texts = row.texts;
        texts.push_back(row.key);
        for (const std::string& text : texts) {
            for (const char32_t c : QString::fromStdString(text).toUcs4()) {
                if (c == U'\n') continue;
                const bool drawn =
                    std::any_of(fonts.begin(), fonts.end(), [&](const QRawFont& f) { return f.supportsCharacter(c); });
                EXPECT_TRUE(drawn) << "U+" << std::hex << static_cast<unsigned>(c) << " in " << text;
            }
        }
    }
}

}  // namespace
