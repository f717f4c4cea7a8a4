#include "settings/SettingsTabFixture.h"
#include "settings/guide/OnboardingWindow.h"

#include <QPushButton>

namespace {

using GuideReplayTest = SettingsTabTest;

// With screen recording allowed the finished guide would stay hidden: the replay forgets
// that it was finished first.
TEST_F(GuideReplayTest, ReplayShowsTheFinishedGuideOnItsStoredStepInPlaceOfTheSettings)
{
    world().setScreenRecordingAllowed(true);
    store().set("onboardingCompleted", true);
    store().set("onboardingStep", 2);
    open(5);
    auto* replay = find<QPushButton>("replayButton");
    ASSERT_NE(replay, nullptr);
    replay->click();
    clock().runUntilIdle();

    EXPECT_FALSE(store().contains("onboardingCompleted"));
    EXPECT_FALSE(SettingsWindow::shared().isOpen());
    EXPECT_FALSE(SettingsWindow::shared().isVisible());
    OnboardingWindow* guide = OnboardingWindow::instance();
    ASSERT_NE(guide, nullptr);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->index(), 2);
    EXPECT_EQ(world().activationPolicy(), desktop::ActivationPolicy::regular);
}

}  // namespace
