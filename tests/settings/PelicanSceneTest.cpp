#include "settings/guide/PelicanPedalling.h"
#include "settings/guide/PelicanScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;

// Where the drawing's parts sit among the root's and the rider group's sublayers.
enum RootChild { sky, ground, sun, cloud0, cloud1, mark0, riderGroup = 10 };
enum GroupChild {
    rearWheel,
    frontWheel,
    bikeFrame,
    chainring = 5,
    nearCrank = 7,
    nearPedal,
    farCrank,
    farPedal,
    wing = 13,
    firstThigh = 18,
    firstShin,
    firstFoot,
    secondThigh,
    secondShin,
    secondFoot,
    groupChildCount
};

void expectRect(const core::Rect& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, 1e-9);
    EXPECT_NEAR(r.y(), y, 1e-9);
    EXPECT_NEAR(r.width(), w, 1e-9);
    EXPECT_NEAR(r.height(), h, 1e-9);
}

void expectPoint(const core::Point& p, double x, double y, double tolerance = 1e-9)
{
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
}

class PelicanScene : public testing::Test {
protected:
    const ui::Layer& draw(const core::Rect& rect)
    {
        guide::pelicanScene(host, rect, 16);
        return *host.sublayers().back();
    }
    const ui::Layer& rootChild(int i) const { return *host.sublayers().back()->sublayers().at(i); }
    const ui::Layer& groupChild(int i) const { return *rootChild(riderGroup).sublayers().at(i); }

    ui::Layer host;
};

TEST_F(PelicanScene, AFiveByThreeRectangleIsFilledFromItsCorner)
{
    const ui::Layer& root = draw({0, 0, 400, 240});
    expectRect(root.frame(), 0, 0, 400, 240);
    EXPECT_TRUE(root.masksToBounds);
    EXPECT_EQ(root.cornerRadius, 8);
    ASSERT_EQ(root.sublayers().size(), 11u);
    EXPECT_EQ(rootChild(sky).kind(), ui::Layer::Kind::gradient);
    expectRect(rootChild(sky).frame(), 0, 0, 400, 240);
    expectRect(rootChild(ground).frame(), 0, 0, 400, 44);
    expectRect(rootChild(sun).frame(), 322, 178, 48, 48);
    expectRect(rootChild(cloud1).frame(), 250, 194, 76, 22);
    expectRect(rootChild(mark0 + 4).frame(), 350, 18, 34, 6);
    expectRect(rootChild(riderGroup).frame(), 0, 0, 400, 240);
    ASSERT_EQ(rootChild(riderGroup).sublayers().size(), std::size_t(groupChildCount));
    expectRect(groupChild(frontWheel).frame(), 235, 44, 54, 54);
    expectRect(groupChild(chainring).frame(), 191, 60, 22, 22);

    // Away from the origin the drawing keeps to the root's own bounds.
    ui::Layer moved;
    guide::pelicanScene(moved, {10, 20, 400, 240}, 16);
    expectRect(moved.sublayers().back()->frame(), 10, 20, 400, 240);
    expectRect(moved.sublayers().back()->sublayers().at(sun)->frame(), 322, 178, 48, 48);
}

TEST_F(PelicanScene, AWideRectangleCentresTheDrawingButNotTheSkyOrGround)
{
    draw({0, 0, 600, 240});
    expectRect(rootChild(sky).frame(), 0, 0, 600, 240);
    expectRect(rootChild(ground).frame(), 0, 0, 600, 44);
    expectRect(rootChild(sun).frame(), 422, 178, 48, 48);
    expectRect(rootChild(riderGroup).frame(), 100, 0, 400, 240);

    // Taller: the drawing is centred vertically, the ground band rising with it.
    ui::Layer tall;
    guide::pelicanScene(tall, {0, 0, 200, 240}, 16);
    const ui::Layer& root = *tall.sublayers().back();
    expectRect(root.sublayers().at(ground)->frame(), 0, 60, 200, 22);
    expectRect(root.sublayers().at(riderGroup)->frame(), 0, 60, 200, 120);
    expectRect(root.sublayers().at(riderGroup)->sublayers().at(rearWheel)->frame(), 57.5, 22, 27, 27);
}

TEST_F(PelicanScene, StrokesScaleButATinyRectangleKeepsThemVisible)
{
    draw({0, 0, 40, 24});  // s = 0.1
    const ui::Layer& wheel = groupChild(rearWheel);
    EXPECT_DOUBLE_EQ(wheel.borderWidth, 1.8);
    EXPECT_DOUBLE_EQ(wheel.sublayers().at(1)->lineWidth, 0.8);                 // spokes
    expectRect(wheel.sublayers().at(2)->frame(), 2.7 - 1.6, 0.162, 3.2, 3.2);  // valve mark
    EXPECT_DOUBLE_EQ(groupChild(bikeFrame).lineWidth, 2);
    EXPECT_DOUBLE_EQ(groupChild(chainring).borderWidth, 2);
    EXPECT_DOUBLE_EQ(groupChild(nearPedal).size.height, 3);
    for (int leg : {firstThigh, firstShin, secondThigh, secondShin}) EXPECT_DOUBLE_EQ(groupChild(leg).lineWidth, 2);
    EXPECT_DOUBLE_EQ(groupChild(firstFoot).lineWidth, 1.9);

    ui::Layer full;
    guide::pelicanScene(full, {0, 0, 400, 240}, 16);
    const ui::Layer& group = *full.sublayers().back()->sublayers().at(riderGroup);
    EXPECT_NEAR(group.sublayers().at(frontWheel)->borderWidth, 3.78, 1e-12);
    expectRect(group.sublayers().at(frontWheel)->sublayers().at(2)->frame(), 27 - 1.62, 1.62, 3.24, 3.24);
    EXPECT_NEAR(group.sublayers().at(secondFoot)->lineWidth, 3.99, 1e-12);
}

TEST(PelicanLegs, FramesFollowTheFeetRoundTheCrankWithTheKneeForward)
{
    const auto first = guide::legFrames(1, {196, 130}, 0);
    ASSERT_EQ(first.size(), 37u);
    expectPoint(first[0].hip, 196, 130);
    expectPoint(first[0].foot, 219, 74);
    expectPoint(first[0].knee, 229.745865592, 112.529551940, 1e-8);
    expectPoint(first[9].foot, 202, 57);  // a quarter turn on, clockwise
    expectPoint(first[9].knee, 212.269815950, 95.659162955, 1e-8);
    expectPoint(first[36].foot, 219, 74);

    const auto second = guide::legFrames(1, {212, 130}, pi);
    expectPoint(second[0].foot, 185, 74);
    expectPoint(second[0].knee, 220.249831849, 92.906331073, 1e-8);

    const auto half = guide::legFrames(0.5, {196, 130}, 0);
    expectPoint(half[0].knee, 114.872932796, 56.264775970, 1e-8);

    for (const auto& f : first) {
        EXPECT_NEAR(std::hypot(f.knee.x - f.hip.x, f.knee.y - f.hip.y), 38, 1e-9);
        EXPECT_NEAR(std::hypot(f.foot.x - f.knee.x, f.foot.y - f.knee.y), 40, 1e-9);
    }
}

TEST(PelicanLegs, ATieBetweenTheKneesTakesTheOneBelowTheLine)
{
    // Hip level with the foot: both knees share an x.
    const auto frames = guide::legFrames(1, {150, 74}, 0);
    expectPoint(frames[0].knee, 183.369565217, 55.821107921, 1e-8);
}

TEST(PelicanLegs, PedalsCircleTheChainringThreeUnitsBelowTheFeet)
{
    const auto near = guide::pedalPoints(1, 0);
    ASSERT_EQ(near.size(), 9u);
    expectPoint(near[0], 219, 71);
    expectPoint(near[2], 202, 54);
    expectPoint(near[4], 185, 71);
    expectPoint(near[6], 202, 88);
    expectPoint(near[8], 219, 71);
    expectPoint(guide::pedalPoints(2, pi)[0], 370, 142);
}

TEST_F(PelicanScene, LegLayersRestOnTheirFirstFrame)
{
    draw({0, 0, 400, 240});
    const auto& thigh = groupChild(firstThigh).path.subpaths.at(0).points;
    expectPoint(thigh.at(0), 196, 130);
    expectPoint(thigh.at(1), 229.745865592, 112.529551940, 1e-8);
    const auto& foot = groupChild(firstFoot).path.subpaths.at(0).points;
    expectPoint(foot.at(0), 215.25, 74);
    expectPoint(foot.at(1), 230.25, 74);
    expectPoint(groupChild(secondShin).path.subpaths.at(0).points.at(1), 185, 74);
    EXPECT_EQ(groupChild(firstShin).animationKeys(), std::vector<std::string>{"pedal-path"});
    // The second leg is drawn over the first, fainter.
    EXPECT_EQ(groupChild(firstShin).strokeColor.alphaF(), 1);
    EXPECT_NEAR(groupChild(secondShin).strokeColor.alphaF(), 0.8, 1e-3);
}

TEST_F(PelicanScene, EveryPartMovesOnItsOwnPeriod)
{
    draw({0, 0, 400, 240});
    // Wheels and cranks turn clockwise once per 3.6 s, evenly.
    EXPECT_NEAR(groupChild(rearWheel).presentation(0.9).rotation, -pi / 2, 1e-9);
    EXPECT_NEAR(groupChild(farCrank).presentation(1.8).rotation, 0, 1e-9);
    EXPECT_NEAR(groupChild(nearCrank).presentation(3.6 + 0.9).rotation, -pi / 2, 1e-9);
    EXPECT_EQ(groupChild(rearWheel).animationKeys(), std::vector<std::string>{"transform.rotation-loop"});

    // The pedal stays level while it goes round; the feet follow it 3 units higher.
    expectPoint(groupChild(nearPedal).presentation(0.9).position, 202, 54);
    expectPoint(groupChild(farPedal).presentation(0).position, 185, 71);
    const ui::LayerPath shin = groupChild(firstShin).presentation(0.9).path;
    expectPoint(shin.subpaths.at(0).points.at(1), 202, 57);

    EXPECT_NEAR(groupChild(wing).presentation(0).rotation, -0.28, 1e-12);
    EXPECT_NEAR(groupChild(wing).presentation(0.66).rotation, 0.38, 1e-12);
    expectPoint(rootChild(riderGroup).presentation(1.0).position, 200, 123.2);
    expectPoint(rootChild(riderGroup).presentation(2.0).position, 200, 120);

    // Clouds drift apart over 9.6 s, road marks run left every 3.3 s.
    expectPoint(rootChild(cloud0).presentation(4.8).position, 98 - 13, 197, 1e-6);
    expectPoint(rootChild(cloud1).presentation(4.8).position, 288 + 13, 205, 1e-6);
    expectPoint(rootChild(mark0).presentation(0).position, 31 + 42, 21);
    expectPoint(rootChild(mark0).presentation(3.3 - 1e-9).position, 31 - 84, 21, 1e-6);
}

}  // namespace
