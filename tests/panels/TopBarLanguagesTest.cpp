#include "PanelFixture.h"

#include "panels/PanelContentView.h"
#include "panels/TopBarView.h"

#include <QLabel>

namespace {

using namespace paneltest;

class TopBarLanguagesTest : public PanelFixture {};

// A mini window of the default size shows its short title with the pinned or paused mark
// whole in every language.
TEST_F(TopBarLanguagesTest, TheStateMarksFitTheDefaultSizeInEveryLanguage)
{
    PipPanel* panel = makePanel();
    TopBarView& bar = *panel->content->topBar;
    ASSERT_EQ(bar.baseTitle, "Notes · Notes");
    for (int language = 1; language <= 8; ++language) {
        defaults::Defaults::standard().set("appLanguage", language);
        for (const bool pinned : {true, false}) {
            bar.fixedPreview = pinned;
            bar.paused = !pinned;
            bar.refreshTitle();
            EXPECT_FALSE(bar.titleLabel->isHidden());
            EXPECT_EQ(bar.titleLabel->text().toStdString(), bar.titleText()) << language << (pinned ? " pinned" : " paused");
        }
    }
}

}  // namespace
