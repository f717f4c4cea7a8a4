#include "app/MenuHeaderView.h"
#include "foundation/TranslationTable.h"
#include "support/QtTestApplication.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The hint above the window rows reads whole at the menu's narrowest width in every
// translation; the Chinese source is the one text that may run out.
TEST(MenuHeaderLanguages, TheHintFitsTheNarrowestMenuInEveryTranslation)
{
    testsupport::ensureQtApplication();
    const std::string key = "点击窗口创建应用小窗，点击右侧按钮，创建聚焦小窗";
    const TranslationTable& table = builtInTranslations();
    const auto row = std::find_if(table.rows.begin(), table.rows.end(), [&](const auto& r) { return r.key == key; });
    ASSERT_NE(row, table.rows.end());
    for (std::size_t i = 0; i < table.languages.size(); ++i) {
        const app::MenuHeaderView header(row->texts[i], 300);
        const auto* label = header.findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text().toStdString(), row->texts[i]) << table.languages[i];
    }
}

}  // namespace
