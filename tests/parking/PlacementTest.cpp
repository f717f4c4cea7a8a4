#include "parking/ledger/Placement.h"

#include <gtest/gtest.h>

namespace {

using parking::pickPlacement;
using parking::Placement;

// A virtual display as the controller makes it for a 1512 x 982 screen.
const core::Rect display(1512, 982, 1552, 1022);

TEST(PlacementTest, SlotsGoRowByRowAndSkipTheBottomRightCorner)
{
    // Windows of one size fill each other's slots (each would contain the other).
    const core::Size size{400, 300};
    const double columns[] = {1528, 2094, 2660};  // free range 1132 split in halves
    const double rows[] = {1012, 1356, 1700};     // free range 688
    std::vector<core::Rect> occupied;
    for (int slot = 0; slot < 8; ++slot) {
        const auto placement = pickPlacement(display, 40, size, occupied);
        ASSERT_TRUE(placement) << "slot " << slot;
        EXPECT_EQ(placement->rect, core::Rect(columns[slot % 3], rows[slot / 3], 400, 300)) << "slot " << slot;
        EXPECT_FALSE(placement->resized);
        occupied.push_back(placement->rect);
    }
    EXPECT_FALSE(pickPlacement(display, 40, size, occupied));
}

TEST(PlacementTest, AWindowLargerThanTheDisplayShrinksButNotBelowTheSmallestSize)
{
    const auto wide = pickPlacement(core::Rect(0, 0, 1800, 1200), 40, {2000, 900}, {});
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->rect, core::Rect(16, 30, 1760, 900));
    EXPECT_TRUE(wide->resized);

    const auto tall = pickPlacement(core::Rect(0, 0, 1800, 1200), 40, {800, 1300}, {});
    ASSERT_TRUE(tall);
    EXPECT_EQ(tall->rect.size, (core::Size{800, 1160}));
    EXPECT_TRUE(tall->resized);

    // Narrower than 360 pt: the window keeps 320 pt, which still fits 350 but not 330.
    const auto narrow = pickPlacement(core::Rect(0, 0, 350, 1000), 40, {1000, 500}, {});
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->rect, core::Rect(16, 30, 320, 500));
    EXPECT_FALSE(pickPlacement(core::Rect(0, 0, 330, 1000), 40, {1000, 500}, {}));
    EXPECT_FALSE(pickPlacement(core::Rect(0, 0, 1000, 250), 40, {500, 1000}, {}));
}

TEST(PlacementTest, ANegativeFreeRangeCollapsesTheColumnsOntoTheFirst)
{
    // 982 pt of 1000 leave less than the side insets: all three columns start at x 16.
    const core::Rect screen(0, 0, 1000, 800);
    const auto first = pickPlacement(screen, 0, {982, 400}, {});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->rect, core::Rect(16, 30, 982, 400));
    EXPECT_FALSE(first->resized);
    // The top row is then one place: the next free one is the middle row.
    const auto next = pickPlacement(screen, 0, {982, 400}, {first->rect});
    ASSERT_TRUE(next);
    EXPECT_EQ(next->rect, core::Rect(16, 30 + (800 - 400 - 4 - 30) * 0.5, 982, 400));
}

TEST(PlacementTest, OnlyContainmentEitherWayRulesASlotOut)
{
    const core::Size size{400, 300};
    const core::Rect firstSlot(1528, 1012, 400, 300);
    const auto at = [&](std::vector<core::Rect> occupied) { return pickPlacement(display, 40, size, occupied)->rect; };

    EXPECT_EQ(at({core::Rect(1600, 1100, 400, 300)}), firstSlot);  // overlapping in part
    EXPECT_NE(at({core::Rect(1500, 1000, 600, 500)}), firstSlot);  // the slot lies inside it
    EXPECT_NE(at({core::Rect(1600, 1100, 100, 100)}), firstSlot);  // it lies inside the slot
    EXPECT_NE(at({core::Rect(1528, 1012, 500, 300)}), firstSlot);  // shared edges count as inside
    EXPECT_EQ(at({core::Rect(1529, 1012, 500, 300)}), firstSlot);
}

}  // namespace
