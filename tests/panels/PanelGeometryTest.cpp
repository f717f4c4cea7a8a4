#include "panels/rules/PanelGeometry.h"

#include <gtest/gtest.h>

#include <vector>

using core::Rect;
using core::Size;
using namespace panels;

namespace {

void expectRect(const Rect& actual, double x, double y, double w, double h, double tolerance = 0.01)
{
    EXPECT_NEAR(actual.x(), x, tolerance);
    EXPECT_NEAR(actual.y(), y, tolerance);
    EXPECT_NEAR(actual.width(), w, tolerance);
    EXPECT_NEAR(actual.height(), h, tolerance);
}

void expectSize(Size actual, double w, double h, double tolerance = 0.05)
{
    EXPECT_NEAR(actual.width, w, tolerance);
    EXPECT_NEAR(actual.height, h, tolerance);
}

const Rect laptop(0, 0, 1512, 950);
const Rect wide(0, 0, 3440, 1410);

}  // namespace

TEST(PanelSize, EveryAspectGetsTheSameScreenShapedAreaScaledByTheMultiplier)
{
    EXPECT_NEAR(targetArea(laptop, 1.2), 73365.57, 0.01);
    expectSize(pipSize(laptop, 1.2, 1.6), 342.6, 214.1);
    expectSize(pipSize(laptop, 1.2, 0.5), 191.5, 383.1);
    expectSize(pipSize(wide, 1.2, 1.6), 629.6, 393.5);
    expectSize(pipSize(laptop, 0.75, 1.6), 214.1, 133.8);
    expectSize(pipSize(laptop, 2.0, 1.6), 571.0, 356.9);
}

TEST(PanelSize, DegenerateInputsGiveASmallSquareAndTheFitNeverGrows)
{
    // A screen 0 or 1 pt high has the same screen aspect.
    EXPECT_NEAR(targetArea(Rect(0, 0, 1512, 0), 1.2), targetArea(Rect(0, 0, 1512, 1), 1.2), 0.001);
    // Nearly no aspect: a square of the target area.
    expectSize(pipSize(laptop, 1.2, 0.005), 270.86, 270.86);
    // Area below 1: a 2×2 square, small enough to need no fit.
    expectSize(pipSize(Rect(0, 0, 4, 4), 1.2, 1.6), 2, 2, 1e-9);
    // A very wide source shrinks until it is 90 % of the screen's width.
    expectSize(pipSize(laptop, 1.2, 30), 1360.8, 45.36);
    EXPECT_DOUBLE_EQ(sourceAspect({1600, 1000}), 1.6);
    EXPECT_DOUBLE_EQ(sourceAspect({900, 1}), 1.6);
    EXPECT_DOUBLE_EQ(sourceAspect({900, 450}), 2.0);
}

TEST(CornerTiling, EachCornerFillsColumnsFromItsCorner)
{
    const std::vector<Size> sizes{{320, 201}, {400, 250}, {320, 201}, {500, 320}, {320, 201}};

    const auto topRight = layoutFrames(sizes, laptop, WindowCorner::topRight);
    ASSERT_EQ(topRight.size(), 5u);
    expectRect(topRight[0], 1176, 733, 320, 201);
    expectRect(topRight[1], 1096, 471, 400, 250);
    expectRect(topRight[2], 1176, 258, 320, 201);
    expectRect(topRight[3], 584, 614, 500, 320);
    expectRect(topRight[4], 764, 401, 320, 201);

    const auto bottomLeft = layoutFrames(sizes, laptop, WindowCorner::bottomLeft);
    ASSERT_EQ(bottomLeft.size(), 5u);
    expectRect(bottomLeft[0], 16, 16, 320, 201);
    expectRect(bottomLeft[1], 16, 229, 400, 250);
    expectRect(bottomLeft[2], 16, 491, 320, 201);
    expectRect(bottomLeft[3], 428, 16, 500, 320);
    expectRect(bottomLeft[4], 428, 348, 320, 201);

    const auto topLeft = layoutFrames(sizes, laptop, WindowCorner::topLeft);
    ASSERT_EQ(topLeft.size(), 5u);
    expectRect(topLeft[0], 16, 733, 320, 201);
    expectRect(topLeft[2], 16, 258, 320, 201);
    expectRect(topLeft[3], 428, 614, 500, 320);
    expectRect(topLeft[4], 428, 401, 320, 201);

    const auto bottomRight = layoutFrames(sizes, laptop, WindowCorner::bottomRight);
    ASSERT_EQ(bottomRight.size(), 5u);
    expectRect(bottomRight[0], 1176, 16, 320, 201);
    expectRect(bottomRight[1], 1096, 229, 400, 250);
    expectRect(bottomRight[3], 584, 16, 500, 320);
    expectRect(bottomRight[4], 764, 348, 320, 201);

    // The frame's origin counts, not only its size.
    const auto shifted = layoutFrames({{320, 201}}, Rect(1512, 100, 1920, 1000), WindowCorner::topRight);
    ASSERT_EQ(shifted.size(), 1u);
    expectRect(shifted[0], 3096, 883, 320, 201);
}

TEST(CornerTiling, OversizePanelsAreClippedAndColumnsStayInsideTheMargins)
{
    const auto frames = layoutFrames({{2000, 1000}, {320, 201}}, laptop, WindowCorner::topRight);
    ASSERT_EQ(frames.size(), 2u);
    expectRect(frames[0], 16, 16, 1480, 918);
    // The next column would start left of the margin: it is held at the margin.
    expectRect(frames[1], 16, 733, 320, 201);

    const auto leftward = layoutFrames({{1400, 900}, {320, 201}}, laptop, WindowCorner::topLeft);
    expectRect(leftward[1], 1176, 733, 320, 201);
    EXPECT_TRUE(layoutFrames({}, laptop, WindowCorner::topRight).empty());
}

TEST(CornerTiling, AFrameWithNoRoomInsideTheMarginsIsSkipped)
{
    const std::vector<Size> sizes{{320, 201}};
    EXPECT_TRUE(layoutFrames(sizes, Rect(0, 0, 32, 900), WindowCorner::topRight).empty());
    EXPECT_TRUE(layoutFrames(sizes, Rect(0, 0, 1512, 20), WindowCorner::bottomLeft).empty());
    EXPECT_TRUE(layoutFrames(sizes, Rect(0, 0, 0, 0), WindowCorner::topLeft).empty());
    const auto narrow = layoutFrames(sizes, Rect(0, 0, 40, 900), WindowCorner::topRight);
    ASSERT_EQ(narrow.size(), 1u);
    expectRect(narrow[0], 16, 683, 8, 201);
}

TEST(RightEdgeArrangement, RunsDownTheRightEdgeAndWrapsLeftward)
{
    const auto frames = rightEdgeArrangement({{400, 250}, {320, 201}, {320, 201}, {500, 320}}, laptop);
    ASSERT_EQ(frames.size(), 4u);
    expectRect(frames[0], 1096, 684, 400, 250);
    expectRect(frames[1], 1176, 471, 320, 201);
    expectRect(frames[2], 1176, 258, 320, 201);
    expectRect(frames[3], 584, 614, 500, 320);
}

TEST(RightEdgeArrangement, APanelTallerThanTheAreaWrapsEvenInAnEmptyColumn)
{
    const auto frames = rightEdgeArrangement({{300, 1000}, {200, 100}}, laptop);
    ASSERT_EQ(frames.size(), 2u);
    expectRect(frames[0], 1184, 16, 300, 1000);
    expectRect(frames[1], 972, 834, 200, 100);
    EXPECT_TRUE(rightEdgeArrangement({{200, 100}}, Rect(0, 0, 1, 500)).empty());
}

TEST(CreationPlacement, CentresOnTheSourceAndStaysInsideTheVisibleFrame)
{
    const Rect V(0, 0, 1512, 925);
    const Size size{342.6, 214.1};
    // Global frames have their origin top left; the primary screen is 950 high.
    expectRect(creationFrame(Rect(100, 100, 800, 600), size, 950, V), 328.7, 442.95, 342.6, 214.1);
    expectRect(creationFrame(Rect(1400, 0, 200, 100), size, 950, V), 1169.4, 710.9, 342.6, 214.1);
    expectRect(creationFrame(Rect(-900, 2000, 100, 100), size, 950, V), 0, 0, 342.6, 214.1);
    // Larger than the area: its minimum edges win.
    expectRect(creationFrame(Rect(0, 0, 100, 100), {600, 500}, 950, Rect(100, 50, 500, 400)), 100, 50, 600, 500);
}

TEST(DragClamp, KeepsEightyPointsAndTheTopBarOnTheScreenWithUpperBoundsLast)
{
    const Rect V(0, 0, 1512, 925);
    const Size size{342, 214};
    EXPECT_EQ(clampDragOrigin({5000, 300}, size, V), (core::Point{1432, 300}));
    EXPECT_EQ(clampDragOrigin({-5000, 300}, size, V), (core::Point{-262, 300}));
    EXPECT_EQ(clampDragOrigin({300, -5000}, size, V), (core::Point{300, -186}));
    EXPECT_EQ(clampDragOrigin({300, 5000}, size, V), (core::Point{300, 711}));
    EXPECT_EQ(clampDragOrigin({300, 200}, size, V), (core::Point{300, 200}));
    // On a strip too small for both bounds the upper ones decide.
    EXPECT_EQ(clampDragOrigin({0, 0}, {100, 214}, Rect(0, 0, 50, 20)), (core::Point{-30, -194}));
}

TEST(Snapping, NearEdgesSnapToTheInsetAndRightAndBottomWin)
{
    const Rect V(0, 0, 1512, 925);
    expectRect(snappedFrame(Rect(10, 300, 342, 214), V), 8, 300, 342, 214);
    expectRect(snappedFrame(Rect(20, 300, 342, 214), V), 20, 300, 342, 214);
    expectRect(snappedFrame(Rect(1160, 700, 342, 214), V), 1162, 703, 342, 214);
    // Both side edges close: the right one wins.
    expectRect(snappedFrame(Rect(5, 300, 1500, 214), V), 4, 300, 1500, 214);
    // Both vertical edges close: the top snaps first, then the bottom wins.
    expectRect(snappedFrame(Rect(300, 5, 342, 905), V), 300, 8, 342, 905);
    expectRect(snappedFrame(Rect(1520, 30, 342, 214), Rect(1512, 25, 1920, 1000)), 1520, 33, 342, 214);
}

TEST(EdgeResize, KeepsTheAspectAndMinimumsAndAnchorsTheOppositeEdges)
{
    const Rect start(100, 100, 320, 180);
    // Below both minimums: 180 wide gives 101.25 high, so 120 high decides.
    expectRect(resizedFrame(start, {-1000, 0}, ResizeEdges::right), 100, 100, 213.33, 120);
    expectRect(resizedFrame(start, {40, 0}, ResizeEdges::left), 140, 100, 280, 157.5);
    expectRect(resizedFrame(start, {0, -50}, ResizeEdges::bottom), 100, 50, 408.89, 230);
    expectRect(resizedFrame(start, {0, 20}, ResizeEdges::top), 100, 100, 355.56, 200);
    // A horizontal edge decides over a vertical one; left over right.
    expectRect(resizedFrame(start, {40, 500}, ResizeEdges::left | ResizeEdges::right | ResizeEdges::top), 140, 100, 280,
               157.5);
    // A tall panel shrunk from the top: 120 high is too narrow, so 180 wide decides.
    expectRect(resizedFrame(Rect(0, 0, 180, 320), {0, -1000}, ResizeEdges::top), 0, 0, 180, 320);
    expectRect(resizedFrame(start, {50, 50}, 0), 100, 100, 320, 180);
}
