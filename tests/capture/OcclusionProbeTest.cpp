#include "capture/OcclusionProbe.h"

#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

namespace {

desktop::WindowInfo entry(desktop::WindowID number, core::Rect bounds, long layer = 0, desktop::Pid pid = 7)
{
    desktop::WindowInfo info;
    info.number = number;
    info.ownerPid = pid;
    info.ownerName = "App";
    info.layer = layer;
    info.bounds = bounds;
    return info;
}

// The source window 1 at (100, 100, 400, 300) with one window in front of it.
std::optional<desktop::WindowInfo> occluderOf(const desktop::WindowInfo& front)
{
    const OcclusionProbe::WindowList list{front, entry(1, {100, 100, 400, 300})};
    return OcclusionProbe::occluderInfo(1, std::nullopt, {}, {}, &list);
}

}  // namespace

TEST(OcclusionProbe, CoverNeedsContainmentWithinOnePointAndNoCornerNotch)
{
    // Exactly the same rectangle: the corners coincide and show through the rounded cut.
    EXPECT_FALSE(occluderOf(entry(2, {100, 100, 400, 300})));
    // 20 pt larger on every side covers.
    EXPECT_TRUE(occluderOf(entry(2, {80, 80, 440, 340})));
    // One point short on the left edge is within the tolerance; two are not.
    EXPECT_TRUE(occluderOf(entry(2, {101, 80, 419, 340})));
    EXPECT_FALSE(occluderOf(entry(2, {102, 80, 418, 340})));
    // Corners 5 pt apart on both axes: (10-5)^2 * 2 = 50, inside the arc, so it covers;
    // 1 pt apart: (9)^2 * 2 = 162 > 100, the notch.
    EXPECT_TRUE(occluderOf(entry(2, {95, 95, 410, 310})));
    EXPECT_FALSE(occluderOf(entry(2, {99, 99, 402, 302})));
    // A floating palette never counts.
    EXPECT_FALSE(occluderOf(entry(2, {0, 0, 2000, 2000}, 3)));
}

TEST(OcclusionProbe, WalksOnlyTheWindowsInFrontAndSkipsTheIgnoredOnes)
{
    const auto big = core::Rect(0, 0, 2000, 2000);
    const OcclusionProbe::WindowList frontmost{entry(1, {100, 100, 400, 300}), entry(2, big)};
    EXPECT_FALSE(OcclusionProbe::occluderInfo(1, std::nullopt, {}, {}, &frontmost));

    const OcclusionProbe::WindowList list{entry(5, big, 0, 100), entry(6, big, 0, 8), entry(1, {100, 100, 400, 300})};
    EXPECT_EQ(OcclusionProbe::occluderInfo(1, std::nullopt, {}, {}, &list)->number, 5u);
    EXPECT_EQ(OcclusionProbe::occluderInfo(1, std::nullopt, {5}, {}, &list)->number, 6u);
    EXPECT_FALSE(OcclusionProbe::occluderInfo(1, std::nullopt, {5}, {8}, &list));
    // A given region: only that part has to be covered.
    const OcclusionProbe::WindowList partial{entry(2, {100, 100, 200, 150}), entry(1, {100, 100, 400, 300})};
    EXPECT_FALSE(OcclusionProbe::occluderInfo(1, std::nullopt, {}, {}, &partial));
    EXPECT_TRUE(OcclusionProbe::occluderInfo(1, core::Rect(150, 150, 100, 50), {}, {}, &partial));
    // The window is not in the list, or its bounds are unknown.
    EXPECT_FALSE(OcclusionProbe::occluderInfo(9, std::nullopt, {}, {}, &list));
    auto unbounded = entry(1, {});
    unbounded.bounds.reset();
    const OcclusionProbe::WindowList noBounds{entry(2, big), unbounded};
    EXPECT_FALSE(OcclusionProbe::occluderInfo(1, std::nullopt, {}, {}, &noBounds));
}

TEST(OcclusionProbe, TextsTruncateTowardZero)
{
    EXPECT_EQ(OcclusionProbe::rectDesc(core::Rect(-0.5, 10.9, 100.7, 50.2)), "100x50@(0,10)");
    auto info = entry(3, {100, 50, 800, 600});
    info.ownerName = "Safari";
    EXPECT_EQ(OcclusionProbe::describe(info), "Safari(pid 7) 800x600@(100,50)");
    desktop::WindowInfo bare;
    EXPECT_EQ(OcclusionProbe::describe(bare), "?(pid 0)");
    const OcclusionProbe::WindowList list{entry(4, {}), entry(3, {})};
    EXPECT_EQ(OcclusionProbe::indexOf(3, list)->first, 1u);
    EXPECT_FALSE(OcclusionProbe::indexOf(8, list));
}

namespace {

using OcclusionProbeOnDesktop = testsupport::SimDesktopTest;

}  // namespace

TEST_F(OcclusionProbeOnDesktop, SiblingsOfTheSameApplicationCoverFromInFrontOrBehind)
{
    addApp(42, "Notes", "com.example.notes");
    addApp(43, "Other", "com.example.other");
    addWindow(42, 1, {100, 100, 400, 300});
    addWindow(42, 2, {0, 0, 800, 600});
    addWindow(43, 3, {0, 0, 1000, 900});

    EXPECT_EQ(OcclusionProbe::siblingOccluder(1, {100, 100, 400, 300}), "Notes(pid 42) 800x600@(0,0)");
    EXPECT_EQ(OcclusionProbe::siblingOccluder(2, {150, 150, 100, 100}), "Notes(pid 42) 400x300@(100,100)");
    EXPECT_EQ(OcclusionProbe::siblingOccluder(2, {150, 150, 100, 100}, {1}), std::nullopt);
    EXPECT_EQ(OcclusionProbe::siblingOccluder(9, {0, 0, 10, 10}), "（源窗口不在在屏列表，保守视为仍被遮挡）");
    // The other application's window in front is the occluder the stack gives.
    EXPECT_EQ(OcclusionProbe::occluderInfo(1)->number, 3u);
}
