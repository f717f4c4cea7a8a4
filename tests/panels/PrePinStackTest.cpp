#include "panels/pin/PrePinStack.h"

#include <gtest/gtest.h>

#include <random>

TEST(VisibleArea, CountsOverlappingCoversOnce)
{
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, 50}, {}), 5000);
    EXPECT_DOUBLE_EQ(pin::visibleArea({10, 10, 100, 50}, {{0, 0, 200, 200}}), 0);
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, 100}, {{0, 0, 50, 100}}), 5000);
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, 100}, {{0, 0, 60, 100}, {40, 0, 60, 100}}), 0);
    // 2500 + 2500 − 625 covered.
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, 100}, {{0, 0, 50, 50}, {25, 25, 50, 50}}), 5625);
    // Touching an edge covers nothing; covers reaching outside count only inside.
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, 100}, {{100, 0, 50, 50}, {0, 100, 50, 50}}), 10000);
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, 100}, {{-50, -50, 100, 100}}), 7500);
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 0, 100}, {}), 0);
    EXPECT_DOUBLE_EQ(pin::visibleArea({0, 0, 100, -5}, {}), 0);
}

TEST(VisibleArea, AgreesWithCountingUnitSquares)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-5, 45);
    std::uniform_int_distribution<int> extent(1, 25);
    const core::Rect rect{0, 0, 40, 30};
    for (int round = 0; round < 200; ++round) {
        std::vector<core::Rect> covers;
        const int count = round % 12;
        for (int i = 0; i < count; ++i) {
            covers.emplace_back(coordinate(random), coordinate(random), extent(random), extent(random));
        }
        int free = 0;
        for (int x = 0; x < 40; ++x) {
            for (int y = 0; y < 30; ++y) {
                bool covered = false;
                for (const core::Rect& c : covers) {
                    covered = covered || (x >= c.minX() && x + 1 <= c.maxX() && y >= c.minY() && y + 1 <= c.maxY());
                }
                free += covered ? 0 : 1;
            }
        }
        EXPECT_DOUBLE_EQ(pin::visibleArea(rect, covers), free) << "round " << round;
    }
}

namespace {

constexpr desktop::WindowID sourceWindow = 1;
constexpr desktop::Pid sourcePid = 40;
constexpr desktop::Pid ownPid = 99;
const core::Rect sourceFrame{100, 100, 800, 600};

desktop::WindowInfo entry(desktop::WindowID number, std::optional<desktop::Pid> pid, std::optional<core::Rect> bounds,
                          std::optional<long> layer = 0)
{
    desktop::WindowInfo info;
    info.number = number;
    info.ownerPid = pid;
    info.bounds = bounds;
    info.layer = layer;
    return info;
}

}  // namespace

TEST(PrePinStack, KeepsVisibleForeignCoversInFrontOfTheSource)
{
    const std::vector<desktop::WindowInfo> list{
        entry(20, 50, core::Rect{0, 0, 1000, 1000}, 25),  // a menu
        entry(21, ownPid, core::Rect{150, 150, 300, 300}),
        entry(22, 0, core::Rect{150, 150, 300, 300}),
        entry(23, sourcePid, core::Rect{150, 150, 300, 300}),
        entry(24, std::nullopt, core::Rect{150, 150, 300, 300}),
        entry(11, 50, core::Rect{0, 0, 400, 400}),
        entry(12, 60, core::Rect{50, 50, 400, 400}),      // 37500 of 160000 shows past 11
        entry(13, 70, core::Rect{10, 10, 380, 380}),      // wholly behind 11
        entry(14, 80, core::Rect{2000, 2000, 100, 100}),  // not over the source
        entry(15, 80, core::Rect{900, 100, 100, 100}),    // touches the source's right edge
        entry(16, 80, core::Rect{150, 150, 300, 300}, std::nullopt),
        entry(sourceWindow, sourcePid, sourceFrame),
        entry(17, 90, core::Rect{150, 150, 300, 300}),  // behind the source
    };
    const auto stack = pin::prePinStack(list, sourceWindow, sourcePid, ownPid, sourceFrame);
    EXPECT_EQ(stack.candidates, 3u);
    EXPECT_EQ(stack.kept, 2u);
    EXPECT_EQ(stack.raiseList, (std::vector<pin::RaiseEntry>{{12, 60}, {11, 50}}));
    EXPECT_EQ(stack.frontPid, 50);
    EXPECT_EQ(pin::prePinStackLogLine(stack, 7),
              "接管预览: 固定前叠放 原始=3 可见轮廓=2个 活动应用pid=50 真实前台pid=7");
}

TEST(PrePinStack, AWindowStaysWhenFivePercentOfItShows)
{
    const core::Rect frame{0, 0, 1000, 1000};
    auto stackBehind = [&](double coveredHeight) {
        const std::vector<desktop::WindowInfo> list{entry(11, 50, core::Rect{0, 0, 100, coveredHeight}),
                                                    entry(12, 60, core::Rect{0, 0, 100, 100}),
                                                    entry(sourceWindow, sourcePid, frame)};
        return pin::prePinStack(list, sourceWindow, sourcePid, ownPid, frame);
    };
    EXPECT_EQ(stackBehind(95).kept, 2u);  // exactly 5 % shows
    const auto hidden = stackBehind(96);  // 4 %
    EXPECT_EQ(hidden.kept, 1u);
    EXPECT_EQ(hidden.raiseList, (std::vector<pin::RaiseEntry>{{11, 50}}));
}

TEST(PrePinStack, NothingToKeepGivesAnEmptyStack)
{
    const auto unreadable = pin::prePinStack(std::nullopt, sourceWindow, sourcePid, ownPid, sourceFrame);
    EXPECT_EQ(unreadable.candidates, 0u);
    EXPECT_TRUE(unreadable.raiseList.empty());
    EXPECT_EQ(unreadable.frontPid, 0);

    // The source first in the list: nothing lies in front of it.
    const auto front = pin::prePinStack(
        std::vector<desktop::WindowInfo>{entry(sourceWindow, sourcePid, sourceFrame), entry(11, 50, sourceFrame)},
        sourceWindow, sourcePid, ownPid, sourceFrame);
    EXPECT_EQ(front.candidates, 0u);
    EXPECT_EQ(front.frontPid, 0);
}
