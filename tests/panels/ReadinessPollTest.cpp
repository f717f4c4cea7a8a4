#include "panels/pin/ReadinessPoll.h"
#include "panels/pin/TakeoverReadBack.h"

#include <gtest/gtest.h>

namespace {

// A 1200×800 window asked for 800×600 in this box, kept at 900×700 by its application.
const core::Rect before{0, 0, 1200, 800};
const core::Rect box{100, 100, 800, 600};
const core::Rect asked{100, 100, 800, 600};
const core::Rect settled{40, 30, 900, 700};
const core::Rect recentred{50, 50, 900, 700};

}  // namespace

TEST(ReadinessPoll, ASettledSizeIsRecentredOnceThenRevealed)
{
    pin::ReadinessPoll poll(3, before, box);
    EXPECT_FALSE(poll.pass(std::nullopt, asked).recentre);                 // not listed yet
    EXPECT_FALSE(poll.pass(core::Rect{0, 0, 1201, 799}, asked).recentre);  // still its old size

    const auto first = poll.pass(settled, asked);
    ASSERT_TRUE(first.recentre);
    EXPECT_EQ(*first.recentre, recentred);
    EXPECT_FALSE(first.reveal);

    // The main thread has not replaced the takeover frame yet: no second recentre.
    const auto again = poll.pass(settled, asked);
    EXPECT_FALSE(again.recentre);
    EXPECT_FALSE(again.reveal);

    const auto matched = poll.pass(settled, recentred);
    EXPECT_TRUE(matched.reveal);
    EXPECT_TRUE(poll.finished());
    EXPECT_EQ(poll.passes(), 5);
    // Revealing happens once.
    const auto after = poll.pass(settled, recentred);
    EXPECT_FALSE(after.reveal);
    EXPECT_FALSE(after.recentre);
}

TEST(ReadinessPoll, ANewSettledSizeIsPostedAgainAndMatchesAllowTwoPoints)
{
    pin::ReadinessPoll poll(1, before, box);
    ASSERT_TRUE(poll.pass(settled, asked).recentre);
    const auto wider = poll.pass(core::Rect{0, 0, 950, 700}, asked);
    ASSERT_TRUE(wider.recentre);
    EXPECT_EQ(*wider.recentre, (core::Rect{25, 50, 950, 700}));

    pin::ReadinessPoll close(1, before, box);
    EXPECT_TRUE(close.pass(core::Rect{100, 100, 802, 598}, asked).reveal);
}

TEST(ReadinessPoll, GivesUpAndRevealsAfterFifteenPasses)
{
    pin::ReadinessPoll poll(1, before, box);
    for (int i = 1; i < 15; ++i) {
        const auto pass = poll.pass(before, asked);
        EXPECT_FALSE(pass.reveal) << "pass " << i;
        EXPECT_FALSE(pass.recentre);
    }
    EXPECT_TRUE(poll.pass(before, asked).reveal);
    EXPECT_TRUE(poll.finished());
}

TEST(ReadinessPoll, PostsOfAnEarlierTakeoverDoNothing)
{
    EXPECT_TRUE(pin::postApplies(4, 4, true, true));
    EXPECT_FALSE(pin::postApplies(3, 4, true, true));
    EXPECT_FALSE(pin::postApplies(4, 4, false, true));
    EXPECT_FALSE(pin::postApplies(4, 4, true, false));
    EXPECT_TRUE(pin::revealApplies(4, 4));
    EXPECT_FALSE(pin::revealApplies(3, 4));

    EXPECT_EQ(pin::pollRecentreLogLine(recentred), "钳制观察: 实际 900x700 ≠ 期望 → 重新居中 (50.0, 50.0)");
    EXPECT_TRUE(pin::clampHeld(core::Rect{50, 50, 901.5, 698.5}, {900, 700}));
    EXPECT_FALSE(pin::clampHeld(core::Rect{50, 50, 903, 700}, {900, 700}));
    EXPECT_FALSE(pin::clampHeld(std::nullopt, {900, 700}));
}

TEST(TakeoverReadBack, ReportsDepthCoversAndRecentresAKeptSize)
{
    auto window = [](desktop::WindowID number, std::optional<std::string> owner, std::optional<core::Rect> bounds) {
        desktop::WindowInfo info;
        info.number = number;
        info.ownerName = std::move(owner);
        info.bounds = bounds;
        return info;
    };
    const std::vector<desktop::WindowInfo> list{
        window(1, "Safari", {}), window(2, std::nullopt, {}), window(3, "Mail", {}),
        window(4, "Notes", {}),  window(5, "Music", {}),      window(9, "Editor", core::Rect{40, 30, 900, 700}),
        window(6, "Dock", {})};
    const auto back = pin::readBack(list, 9, asked, box);
    ASSERT_EQ(back.logLines.size(), 2u);
    EXPECT_EQ(back.logLines[0],
              "接管回读: 窗口在屏 ✓ z序=5/7 实际CG=(40.0,30.0,900.0,700.0) "
              "期望=(100.0, 100.0, 800.0, 600.0) 上方窗口=Safari|Mail|Notes");
    EXPECT_EQ(back.logLines[1], "接管回读: 尺寸被应用钳制 900x700 ≠ 期望 → 按实际尺寸重新居中");
    ASSERT_TRUE(back.recentre);
    EXPECT_EQ(*back.recentre, recentred);

    const auto front = pin::readBack({window(9, "Editor", std::nullopt)}, 9, asked, box);
    EXPECT_EQ(front.logLines, std::vector<std::string>{"接管回读: 窗口在屏 ✓ z序=0/1 实际CG=(?,?,?,?) "
                                                       "期望=(100.0, 100.0, 800.0, 600.0) 上方窗口="});
    EXPECT_FALSE(front.recentre);

    const auto missing = pin::readBack(list, 77, asked, box);
    EXPECT_EQ(missing.logLines, std::vector<std::string>{
                                    "接管回读: ⚠ 窗口不在屏幕窗口列表中（可能被最小化/移到其他空间/隐藏）windowID=77"});
    EXPECT_FALSE(missing.recentre);
}
