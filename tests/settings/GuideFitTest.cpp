#include "settings/GuideWindowFixture.h"

#include "platform/ui/ControlNames.h"
#include "platform/ui/TextFit.h"
#include "settings/guide/DescriptionFit.h"

#include <QLabel>

namespace {

// Every language, every step: no control of the guide cuts its text, and every
// description fits above the dots at 10 pt or more.
TEST_F(GuideWindowTest, EveryTextFitsInEveryLanguageOnEveryStep)
{
    grant(true, true);
    for (int language = 1; language <= 8; ++language) {
        store().set("appLanguage", language);
        store().set("onboardingStep", 0);
        OnboardingWindow::showIfNeeded();
        OnboardingWindow& window = *guideWindow();
        for (int step = 0; step < 6; ++step) {
            std::vector<std::string> clipped;
            int listed = 0;
            ui::forEachControl(window, [&](QWidget& control, const std::string& id) {
                ++listed;
                if (ui::textClipped(control)) clipped.push_back(id + " " + ui::shownText(control).toStdString());
            });
            EXPECT_EQ(clipped, std::vector<std::string>{}) << language << " step " << step + 1;
            EXPECT_GE(listed, step == 5 ? 16 : 7);

            const auto* description = find<QLabel>(window, "stepDescLabel");
            EXPECT_GE(description->font().pointSizeF(), ui::font({10}).pointSizeF());
            // Its bottom stays above the dots (content y 134, 686 from the top).
            EXPECT_LE(description->geometry().bottom() + 1, 820 - 134) << language << " step " << step + 1;
            window.goNext();
        }
        window.close();
        deleteClosedWindows();
    }
}

}  // namespace
