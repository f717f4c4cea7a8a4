#include "platform/desktop/GlobalSpace.h"

#include <gtest/gtest.h>

namespace {

using desktop::GlobalSpace;
using desktop::NativeMonitor;

TEST(GlobalSpace, WithoutMonitorsEveryCoordinateIsItsOwn)
{
    const GlobalSpace space;
    EXPECT_EQ(space.toGlobal(core::Point{12.5, -3}), (core::Point{12.5, -3}));
    EXPECT_EQ(space.toNative(core::Rect(1, 2, 3, 4)), core::Rect(1, 2, 3, 4));
    EXPECT_EQ(space.qtOrigin(), (core::Point{0, 0}));
}

TEST(GlobalSpace, ADoubleScaleMonitorHasHalfAsManyPointsAsPixels)
{
    GlobalSpace space;
    space.setMonitors({NativeMonitor{core::Rect(0, 0, 3840, 2160), 2}});
    EXPECT_EQ(space.toGlobal(core::Point{3000, 1000}), (core::Point{1500, 500}));
    EXPECT_EQ(space.toGlobal(core::Rect(200, 100, 800, 600)), core::Rect(100, 50, 400, 300));
    EXPECT_EQ(space.toNative(core::Rect(100, 50, 400, 300)), core::Rect(200, 100, 800, 600));
    EXPECT_EQ(space.qtOrigin(), (core::Point{0, 0}));
}

TEST(GlobalSpace, APrimaryAwayFromTheRootOriginIsTheGlobalOrigin)
{
    GlobalSpace space;
    // The primary right of a second monitor that holds the root's origin.
    space.setMonitors({NativeMonitor{core::Rect(1920, 0, 1920, 1080), 1}, NativeMonitor{core::Rect(0, 0, 1920, 1080), 1}});
    EXPECT_EQ(space.toGlobal(core::Point{1920, 0}), (core::Point{0, 0}));
    EXPECT_EQ(space.toGlobal(core::Point{100, 40}), (core::Point{-1820, 40}));
    EXPECT_EQ(space.toNative(core::Point{-1820, 40}), (core::Point{100, 40}));
    EXPECT_EQ(space.toGlobal(core::Rect(2000, 100, 300, 200)), core::Rect(80, 100, 300, 200));
    // Qt keeps pixel origins: its global origin is where the primary starts.
    EXPECT_EQ(space.qtOrigin(), (core::Point{1920, 0}));
}

TEST(GlobalSpace, EachOfTwoMonitorsConvertsByItsOwnScale)
{
    GlobalSpace space;
    space.setMonitors({NativeMonitor{core::Rect(0, 0, 3840, 2160), 2}, NativeMonitor{core::Rect(3840, 0, 1920, 1080), 1}});
    // The second keeps its pixel offset from the primary as its origin, and its own scale.
    EXPECT_EQ(space.toGlobal(core::Rect(3940, 100, 400, 300)), core::Rect(3940, 100, 400, 300));
    EXPECT_EQ(space.toGlobal(core::Rect(3000, 100, 400, 300)), core::Rect(1500, 50, 200, 150));
    for (const core::Point pixels :
         {core::Point{10, 20}, core::Point{3839, 2159}, core::Point{3840, 0}, core::Point{5000, 1000}})
        EXPECT_EQ(space.toNative(space.toGlobal(pixels)), pixels);
    // A rectangle converts on the monitor holding its centre, even where it overlaps both.
    EXPECT_EQ(space.toGlobal(core::Rect(3800, 0, 200, 100)), core::Rect(3800, 0, 200, 100));
    EXPECT_EQ(space.toGlobal(core::Rect(3700, 0, 200, 100)), core::Rect(1850, 0, 100, 50));
}

}  // namespace
