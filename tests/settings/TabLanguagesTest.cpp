#include "settings/SettingsTabFixture.h"

#include "platform/ui/ControlNames.h"
#include "platform/ui/TextFit.h"

#include <QFontMetricsF>

// Every language builds every tab from known texts: no control cuts its text, and no
// tick or value label is narrower than its text.
TEST_F(SettingsTabTest, EveryLanguageBuildsEveryTabWithNothingCut)
{
    for (int language = 1; language <= 8; ++language) {
        store().set("appLanguage", language);
        for (int tab = 0; tab <= 5; ++tab) {
            SettingsWindow& window = open(tab);
            std::vector<std::string> clipped;
            ui::forEachControl(window, [&](QWidget& control, const std::string& id) {
                if (ui::textClipped(control)) clipped.push_back(id + " " + ui::shownText(control).toStdString());
            });
            EXPECT_EQ(clipped, std::vector<std::string>{}) << language << " tab " << tab;
            for (const QLabel* label : window.contentArea()->findChildren<QLabel*>()) {
                const QString name = label->objectName();
                if (!name.startsWith(".tick") && !name.endsWith("Value")) continue;
                const double needed = QFontMetricsF(label->font()).horizontalAdvance(label->text());
                EXPECT_LE(needed, label->width())
                    << language << " " << name.toStdString() << " " << label->text().toStdString();
            }
        }
    }
    EXPECT_EQ(linesWith("L10n 缺翻译"), std::vector<std::string>{});
}
