#include "PanelFixture.h"

#include "foundation/L10n.h"
#include "panels/views/TopBarView.h"

#include <QFontMetricsF>
#include <QLabel>

namespace {

using namespace paneltest;

class TopBarLanguagesTest : public PanelFixture {};

// A top bar as wide as a default mini window (320 × 1.2) shows a short title with its
// pinned or paused mark whole in every language, and no pinned mark is wider than the
// Chinese one: wherever that one shows whole, so does every translation.
TEST_F(TopBarLanguagesTest, TheStateMarksFitTheDefaultWidthInEveryLanguage)
{
    views::TopBarView bar;
    bar.resize(384, 28);
    bar.show();
    bar.baseTitle = "Notes · Notes";
    const QFontMetricsF metrics(bar.titleLabel->font());
    const double chinese = metrics.horizontalAdvance(QString::fromStdString("  〔固定预览中〕"));
    for (int language = 1; language <= 8; ++language) {
        defaults::Defaults::standard().set("appLanguage", language);
        EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(L10n::t("  〔固定预览中〕"))), chinese) << language;
        for (const bool pinned : {true, false}) {
            bar.fixedPreview = pinned;
            bar.paused = !pinned;
            bar.refreshTitle();
            EXPECT_EQ(bar.titleLabel->text().toStdString(), bar.titleText())
                << language << (pinned ? " pinned" : " paused");
        }
    }
}

}  // namespace
