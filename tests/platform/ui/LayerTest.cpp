#include "platform/ui/Layer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using ui::Keyframes;
using ui::KeyValue;
using ui::Layer;
using ui::LayerPath;

// The standard ease-in-ease-out curve at a few elapsed fractions, worked out by bisection
// on the curve outside the code under test.
constexpr double easedAt0_1 = 0.019722453548311196;
constexpr double easedAt0_2 = 0.08165985626589747;
constexpr double easedAt0_25 = 0.1291619310473198;
constexpr double easedAt0_3 = 0.18739590670531253;
constexpr double easedAt0_6 = 0.6681161299023539;
constexpr double easedAt0_75 = 0.8708380689526802;

Keyframes eased(std::vector<KeyValue> values, double duration, std::vector<double> keyTimes = {})
{
    const std::size_t count = values.size();
    return Keyframes(std::move(values), std::move(keyTimes), duration,
                     Keyframes::uniform(count, ui::TimingFunction::easeInEaseOut()));
}

Keyframes linear(std::vector<double> values, std::vector<double> keyTimes, double duration)
{
    std::vector<KeyValue> keyValues;
    for (double v : values) keyValues.push_back(KeyValue::number(v));
    return Keyframes(std::move(keyValues), std::move(keyTimes), duration);
}

TEST(LayerPresentation, EveryKeyPathTakesItsEasedSegmentValue)
{
    Layer layer;
    layer.position = {5, 5};
    layer.size = {10, 20};
    ASSERT_TRUE(
        layer.addAnimation("position-loop", "position", eased({KeyValue::point(0, 0), KeyValue::point(100, 40)}, 2)));
    ASSERT_TRUE(layer.addAnimation("transform.scale-loop", "transform.scale",
                                   eased({KeyValue::number(1), KeyValue::number(2)}, 1)));
    ASSERT_TRUE(layer.addAnimation("transform.rotation-loop", "transform.rotation",
                                   eased({KeyValue::number(0), KeyValue::number(std::numbers::pi)}, 2)));
    ASSERT_TRUE(layer.addAnimation("bounds.size-loop", "bounds.size",
                                   eased({KeyValue::size(10, 20), KeyValue::size(30, 60)}, 1)));
    ASSERT_TRUE(layer.addAnimation("strokeEnd-loop", "strokeEnd", eased({KeyValue::number(0), KeyValue::number(1)}, 1)));
    ASSERT_TRUE(layer.addAnimation("opacity-loop", "opacity", eased({KeyValue::number(1), KeyValue::number(0)}, 1)));

    const auto at05 = layer.presentation(0.5);
    EXPECT_NEAR(at05.position.x, 12.91619310473198, 1e-6);
    EXPECT_NEAR(at05.position.y, 5.166477241892792, 1e-6);
    EXPECT_NEAR(at05.opacity, 0.5, 1e-9);
    EXPECT_NEAR(layer.presentation(0.1).scale, 1 + easedAt0_1, 1e-6);
    EXPECT_NEAR(layer.presentation(0.4).rotation, 0.25654200453814197, 1e-6);
    const auto at06 = layer.presentation(0.6);
    EXPECT_NEAR(at06.size.width, 23.36232259804708, 1e-6);
    EXPECT_NEAR(at06.size.height, 46.72464519609416, 1e-6);
    EXPECT_NEAR(layer.presentation(0.3).strokeEnd, easedAt0_3, 1e-6);

    // Loops start over every duration.
    const auto later = layer.presentation(2.5);
    EXPECT_NEAR(later.position.x, at05.position.x, 1e-9);
    EXPECT_NEAR(layer.presentation(2.1).scale, 1 + easedAt0_1, 1e-6);

    // The model stays as set.
    EXPECT_EQ(layer.position, (core::Point{5, 5}));
    EXPECT_EQ(layer.size, (core::Size{10, 20}));
    EXPECT_EQ(layer.opacity, 1);
}

TEST(LayerPresentation, HorizontalTrackLeavesTheModelHeight)
{
    Layer layer;
    layer.position = {7, 9};
    ASSERT_TRUE(
        layer.addAnimation("position.x-loop", "position.x", eased({KeyValue::number(10), KeyValue::number(30)}, 1)));
    const auto p = layer.presentation(0.75);
    EXPECT_NEAR(p.position.x, 27.416761379053604, 1e-6);
    EXPECT_EQ(p.position.y, 9);
    EXPECT_NEAR(layer.presentation(0.25).position.x, 10 + 20 * easedAt0_25, 1e-6);
}

TEST(LayerPresentation, KeyTimesShapeTheLoop)
{
    // A last key time below 1 holds its value to the end of the loop.
    Layer holding;
    ASSERT_TRUE(holding.addAnimation("opacity-loop", "opacity", linear({0, 10}, {0, 0.5}, 2)));
    EXPECT_DOUBLE_EQ(holding.presentation(0.5).opacity, 5);
    EXPECT_DOUBLE_EQ(holding.presentation(1.5).opacity, 10);
    EXPECT_DOUBLE_EQ(holding.presentation(1.99).opacity, 10);
    EXPECT_DOUBLE_EQ(holding.presentation(2.5).opacity, 5);

    // Two equal key times: the value jumps there.
    Layer jumping;
    ASSERT_TRUE(jumping.addAnimation("opacity-loop", "opacity", linear({0, 10, 20, 30}, {0, 0.5, 0.5, 1}, 4)));
    EXPECT_NEAR(jumping.presentation(1.999).opacity, 9.995, 1e-9);
    EXPECT_DOUBLE_EQ(jumping.presentation(2).opacity, 20);
    EXPECT_DOUBLE_EQ(jumping.presentation(3).opacity, 25);

    // A first key time above 0 holds the first value until then.
    Layer waiting;
    ASSERT_TRUE(waiting.addAnimation("opacity-loop", "opacity", linear({3, 7}, {0.5, 1}, 2)));
    EXPECT_DOUBLE_EQ(waiting.presentation(0.4).opacity, 3);
    EXPECT_DOUBLE_EQ(waiting.presentation(1.5).opacity, 5);
}

TEST(LayerPresentation, RefusedTracksAreNotAdded)
{
    const Keyframes backwards = linear({0, 1, 2}, {0, 0.6, 0.4}, 1);
    const Keyframes beyondOne = linear({0, 1}, {0, 1.2}, 1);
    const Keyframes belowZero = linear({0, 1}, {-0.1, 1}, 1);
    const Keyframes mismatched = linear({0, 1, 2}, {0, 1}, 1);
    const Keyframes notANumber = linear({0, 1}, {0, std::nan("")}, 1);
    const Keyframes noDuration = linear({0, 1}, {0, 1}, 0);
    const Keyframes empty = linear({}, {}, 1);
    Layer layer;
    for (const Keyframes& refused : {backwards, beyondOne, belowZero, mismatched, notANumber, noDuration, empty}) {
        EXPECT_FALSE(refused.isValid());
        EXPECT_FALSE(layer.addAnimation("opacity-loop", "opacity", refused));
        EXPECT_FALSE(layer.addPathAnimation("pedal-path", {LayerPath{}, LayerPath{}, LayerPath{}}, refused));
    }
    EXPECT_FALSE(layer.hasAnimations());
    EXPECT_EQ(layer.presentation(0.5).opacity, 1);

    const Keyframes fine = linear({0, 1}, {0, 1}, 1);
    EXPECT_TRUE(fine.isValid());
    EXPECT_FALSE(layer.addAnimation("x", "bounds.origin", fine)) << "unknown key path";
    EXPECT_FALSE(layer.addPathAnimation("pedal-path", {LayerPath{}}, fine)) << "one path for two keys";
    EXPECT_FALSE(layer.hasAnimations());

    // A refused track still answers, as if evenly spaced.
    EXPECT_DOUBLE_EQ(backwards.valueAt(0.25)[0], 0.5);
}

TEST(LayerPath, InterpolatesPointByPoint)
{
    LayerPath from = LayerPath::polyline({{0, 0}, {10, 0}, {10, 10}}, true);
    from.add(LayerPath::ellipse(core::Rect(0, 0, 4, 4)));
    LayerPath to = LayerPath::polyline({{20, 0}, {30, 40}, {10, 30}}, true);
    to.add(LayerPath::ellipse(core::Rect(8, 4, 12, 8)));

    const LayerPath quarter = interpolate(from, to, 0.25);
    ASSERT_EQ(quarter.subpaths.size(), 1u);
    EXPECT_TRUE(quarter.subpaths[0].closed);
    EXPECT_EQ(quarter.subpaths[0].points, (std::vector<core::Point>{{5, 0}, {15, 10}, {10, 15}}));
    ASSERT_EQ(quarter.ellipses.size(), 1u);
    EXPECT_EQ(quarter.ellipses[0], core::Rect(2, 1, 6, 5));

    // Paths of other shapes do not blend.
    const LayerPath other = LayerPath::segment({0, 0}, {1, 1});
    EXPECT_EQ(interpolate(from, other, 0.5), from);
}

TEST(LayerPath, PathTrackBlendsTheTwoPathsAroundT)
{
    Layer layer(Layer::Kind::shape);
    const std::vector<LayerPath> paths{LayerPath::segment({0, 0}, {10, 0}), LayerPath::segment({0, 10}, {10, 20}),
                                       LayerPath::segment({0, 30}, {30, 20})};
    ASSERT_TRUE(layer.addPathAnimation(
        "pedal-path", paths, Keyframes({KeyValue::number(0), KeyValue::number(0), KeyValue::number(0)}, {0, 0.5, 1}, 2)));
    EXPECT_EQ(layer.presentation(0.5).path, LayerPath::segment({0, 5}, {10, 10}));
    EXPECT_EQ(layer.presentation(1.5).path, LayerPath::segment({0, 20}, {20, 20}));
    EXPECT_EQ(layer.presentation(2).path, paths[0]);
    EXPECT_EQ(layer.animationKeys(), std::vector<std::string>{"pedal-path"});
}

TEST(LayerGeometry, FrameFollowsTheAnchor)
{
    Layer layer;
    layer.anchorPoint = {0.25, 1};
    layer.setFrame(core::Rect(10, 20, 40, 8));
    EXPECT_EQ(layer.position, (core::Point{20, 28}));
    EXPECT_EQ(layer.size, (core::Size{40, 8}));
    EXPECT_EQ(layer.frame(), core::Rect(10, 20, 40, 8));
    layer.setFrame(core::Rect(50, 50, -10, -10));
    EXPECT_EQ(layer.frame(), core::Rect(40, 40, 10, 10)) << "a negative size is standardised";
}

}  // namespace
