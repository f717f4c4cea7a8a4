#include "app/HoverTriggerCorner.h"

#include <gtest/gtest.h>

namespace {

using app::HoverTriggerCorner;

constexpr double flipHeight = 982;
const core::Rect window{100, 100, 1000, 700};

TEST(HoverTriggerCornerTest, WithoutInsetTheZoneAndBlockSitInTheWindowsOwnCorner)
{
    const auto corner = HoverTriggerCorner::of(window, {}, {80, 48}, flipHeight);
    EXPECT_EQ(corner.zone, (core::Rect{1020, 100, 80, 48}));
    // Top and right edges 8 inside the window's, in screen coordinates.
    EXPECT_EQ(corner.block, (core::Rect{1008, 818, 84, 56}));
}

TEST(HoverTriggerCornerTest, BelowATitleBarTheZoneMovesDownAndTheGrownZoneStillHoldsTheBlock)
{
    // A window manager's title bar of 20 and border of 1.
    const desktop::CornerInset clear{20, 1};
    const auto corner = HoverTriggerCorner::of(window, clear, {80, 48}, flipHeight);
    EXPECT_EQ(corner.zone, (core::Rect{1019, 120, 80, 48}));
    EXPECT_EQ(corner.block, (core::Rect{1007, 798, 84, 56}));

    // The pointer on the block keeps the target: the zone around a shown block holds it.
    const auto grown = HoverTriggerCorner::of(window, clear, {96, 64}, flipHeight);
    EXPECT_TRUE(grown.zone.contains(core::flipped(corner.block, flipHeight)));
}

}  // namespace
