#include "settings/SettingsTabFixture.h"

#include "platform/ui/Switch.h"

namespace {

constexpr int screenTab = 2;

}  // namespace

TEST_F(SettingsTabTest, ScreenTabShowsDefaultsAndWritesNothingWhenBuilt)
{
    open(screenTab);
    auto* screen = find<QComboBox>("screenPopup");
    auto* rate = find<QComboBox>("frameRatePopup");
    auto* thumbs = find<ui::Switch>("menuThumbsSwitch");
    ASSERT_TRUE(screen && rate && thumbs);
    EXPECT_EQ(screen->currentIndex(), 1);
    EXPECT_EQ(rate->currentText().toStdString(), "30 fps");
    EXPECT_EQ(rate->count(), 6);
    EXPECT_TRUE(thumbs->isChecked());
    EXPECT_EQ(store().snapshot(), nlohmann::json({{"appLanguage", 1}}));
}

// The reader clamps 100 to 60; 15 is no item, so the first stays and nothing is written.
TEST_F(SettingsTabTest, FrameRatePopupSelectsByTheClampedReader)
{
    store().set("pipFrameRate", 100);
    open(screenTab);
    EXPECT_EQ(find<QComboBox>("frameRatePopup")->currentText().toStdString(), "60 fps");

    store().set("pipFrameRate", 15);
    open(screenTab);
    EXPECT_EQ(find<QComboBox>("frameRatePopup")->currentIndex(), 0);
    EXPECT_EQ(store().object("pipFrameRate"), nlohmann::json(15));
}

TEST_F(SettingsTabTest, ScreenChoicesApplyAtOnce)
{
    PipPanel* own = makePanel();
    PipPanel* other = makePanel();
    own->applyFrameRateChoice(60);
    open(screenTab);

    choose(*find<QComboBox>("frameRatePopup"), 0);
    clock().runUntilIdle();
    EXPECT_EQ(store().object("pipFrameRate"), nlohmann::json(1));
    EXPECT_EQ(other->mirror->frameRate(), 1);
    EXPECT_EQ(own->mirror->frameRate(), 60);

    choose(*find<QComboBox>("screenPopup"), 0);
    EXPECT_EQ(store().object("pipDefaultScreen"), nlohmann::json(0));

    int cleared = 0;
    SettingsWindow::ShellHooks hooks;
    hooks.clearMenuThumbnails = [&] { ++cleared; };
    SettingsWindow::setShellHooks(hooks);
    auto* thumbs = find<ui::Switch>("menuThumbsSwitch");
    thumbs->click();
    EXPECT_EQ(store().object("menuWindowThumbs"), nlohmann::json(false));
    EXPECT_EQ(cleared, 1);
    thumbs->click();
    EXPECT_EQ(store().object("menuWindowThumbs"), nlohmann::json(true));
    EXPECT_EQ(cleared, 1);
}
