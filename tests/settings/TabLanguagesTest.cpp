#include "settings/SettingsTabFixture.h"

#include <QFontMetricsF>

// Every language builds the General, Screen, Theme and About tabs from known texts, and
// no tick or value label is narrower than its text.
TEST_F(SettingsTabTest, EveryLanguageBuildsTheTabsWithoutMissesOrCutTicks)
{
    for (int language = 1; language <= 8; ++language) {
        store().set("appLanguage", language);
        for (int tab : {0, 2, 3, 5}) {
            open(tab);
            for (const QLabel* label : SettingsWindow::shared().contentArea()->findChildren<QLabel*>()) {
                const QString name = label->objectName();
                if (!name.startsWith(".tick") && !name.endsWith("Value")) continue;
                const double needed = QFontMetricsF(label->font()).horizontalAdvance(label->text());
                EXPECT_LE(needed, label->width()) << language << " " << name.toStdString() << " "
                                                  << label->text().toStdString();
            }
        }
    }
    EXPECT_EQ(linesWith("L10n 缺翻译"), std::vector<std::string>{});
}
