#include "platform/core/Geometry.h"

#include <gtest/gtest.h>

using core::Point;
using core::Rect;

TEST(Geometry, NegativeSizesAreStandardisedByEveryQuery)
{
    const Rect r(10, 20, -4, -6);
    EXPECT_EQ(r.minX(), 6);
    EXPECT_EQ(r.maxX(), 10);
    EXPECT_EQ(r.minY(), 14);
    EXPECT_EQ(r.midY(), 17);
    EXPECT_TRUE(r.contains(Point{7, 15}));
    EXPECT_EQ(r.intersection(Rect(0, 0, 8, 16)), Rect(6, 14, 2, 2));
}

TEST(Geometry, DisjointOrTouchingRectanglesIntersectInTheNullRect)
{
    const Rect a(0, 0, 10, 10);
    EXPECT_TRUE(a.intersection(Rect(20, 20, 5, 5)).isNull());
    EXPECT_TRUE(a.intersection(Rect(10, 0, 5, 5)).isNull());
    EXPECT_FALSE(a.intersects(Rect(10, 0, 5, 5)));
    EXPECT_TRUE(Rect::null().isEmpty());
    EXPECT_EQ(Rect::null().united(a), a);
}

TEST(Geometry, ContainmentIsHalfOpenAndInsetCanCollapse)
{
    const Rect a(0, 0, 10, 10);
    EXPECT_TRUE(a.contains(Point{0, 0}));
    EXPECT_FALSE(a.contains(Point{10, 5}));
    EXPECT_TRUE(a.contains(Rect(2, 2, 8, 8)));
    EXPECT_EQ(a.insetBy(2, 3), Rect(2, 3, 6, 4));
    EXPECT_TRUE(a.insetBy(6, 0).isNull());
}

TEST(Geometry, FlippingBetweenGlobalAndScreenSpaceIsItsOwnInverse)
{
    const Rect global(100, 50, 300, 200);
    const Rect screen = core::flipped(global, 982);
    EXPECT_EQ(screen, Rect(100, 732, 300, 200));
    EXPECT_EQ(core::flipped(screen, 982), global);
    EXPECT_EQ(core::flipped(Point{5, 0}, 900), (Point{5, 900}));
}

TEST(Geometry, NumberTextIsShortestRoundTripWithOneDecimal)
{
    EXPECT_EQ(core::numberText(812), "812.0");
    EXPECT_EQ(core::numberText(1.5), "1.5");
    EXPECT_EQ(core::numberText(-0.0), "0.0");
    EXPECT_EQ(core::numberText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(core::rectText(Rect(0, -25, 1512, 982.5)), "(0.0, -25.0, 1512.0, 982.5)");
}
