#include "panels/rules/HintTracker.h"

#include <gtest/gtest.h>

TEST(HintTracker, OrdinaryHintLeavesWithTheNextFrameUnlessTheSourceCloses)
{
    panels::HintTracker hints;
    EXPECT_FALSE(hints.frameArrived(false));
    hints.show(panels::HintKind::ordinary);
    EXPECT_TRUE(hints.frameArrived(false));
    EXPECT_FALSE(hints.visible());

    hints.show(panels::HintKind::closing);
    EXPECT_FALSE(hints.frameArrived(true));
    EXPECT_TRUE(hints.withdrawClosingHint());
    EXPECT_FALSE(hints.withdrawClosingHint());
}

TEST(HintTracker, TwoTimedHintsEachKeepTheirOwnTime)
{
    panels::HintTracker hints;
    const auto first = hints.showTimed();
    const auto second = hints.showTimed();  // a second later
    EXPECT_FALSE(hints.timedHintDue(first)) << "the second text is not cut short";
    EXPECT_TRUE(hints.transientHintActive());
    EXPECT_FALSE(hints.frameArrived(false));
    EXPECT_TRUE(hints.timedHintDue(second));
    EXPECT_FALSE(hints.transientHintActive());
}

TEST(HintTracker, HintThatReplacedATimedOneLeavesByItsOwnRule)
{
    panels::HintTracker lasting;
    const auto token = lasting.showTimed();
    lasting.setFullscreenHintActive(true);
    lasting.show(panels::HintKind::doze);
    EXPECT_FALSE(lasting.timedHintDue(token)) << "the doze hint stays";
    EXPECT_FALSE(lasting.transientHintActive());
    EXPECT_EQ(lasting.showing(), panels::HintKind::doze);
    EXPECT_FALSE(lasting.frameArrived(false));
    EXPECT_TRUE(lasting.hideFreezeHint());
    EXPECT_FALSE(lasting.fullscreenHintActive());

    panels::HintTracker ordinary;
    const auto timed = ordinary.showTimed();
    ordinary.show(panels::HintKind::ordinary);
    EXPECT_FALSE(ordinary.frameArrived(false)) << "kept while the timed flag holds";
    EXPECT_FALSE(ordinary.timedHintDue(timed));
    EXPECT_TRUE(ordinary.frameArrived(false));
}

TEST(HintTracker, HideFreezeHintWithdrawsOnlyTheDozeHint)
{
    panels::HintTracker dead;
    dead.setFullscreenHintActive(true);
    dead.show(panels::HintKind::captureDead);
    EXPECT_FALSE(dead.hideFreezeHint());
    EXPECT_TRUE(dead.fullscreenHintActive());
    EXPECT_FALSE(dead.frameArrived(false));
    dead.setFullscreenHintActive(false);  // capture recovered
    EXPECT_TRUE(dead.frameArrived(false));

    panels::HintTracker covered;
    covered.setFullscreenHintActive(true);
    covered.show(panels::HintKind::doze);
    covered.showTimed();
    EXPECT_FALSE(covered.hideFreezeHint()) << "another text shows";
    EXPECT_TRUE(covered.fullscreenHintActive());
    EXPECT_EQ(covered.showing(), panels::HintKind::timed);
}
