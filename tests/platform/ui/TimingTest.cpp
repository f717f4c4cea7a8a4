#include "platform/ui/Keyframes.h"
#include "platform/ui/TimingFunction.h"

#include <gtest/gtest.h>

namespace {

using ui::Keyframes;
using ui::KeyValue;
using ui::TimingFunction;

void expectNear(const KeyValue& actual, const KeyValue& expected)
{
    EXPECT_EQ(actual.kind, expected.kind);
    for (std::size_t i = 0; i < actual.components.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-9) << i;
}

TEST(TimingFunctionTest, EaseInEaseOutFollowsItsBezier)
{
    const auto ease = TimingFunction::easeInEaseOut();
    EXPECT_DOUBLE_EQ(ease(0), 0);
    EXPECT_DOUBLE_EQ(ease(1), 1);
    EXPECT_NEAR(ease(0.5), 0.5, 1e-9);
    EXPECT_NEAR(ease(0.25), 0.129162, 1e-5);
    EXPECT_NEAR(ease(0.75), 1 - 0.129162, 1e-5);  // symmetric curve
    EXPECT_DOUBLE_EQ(ease(-1), 0);
    EXPECT_DOUBLE_EQ(ease(2), 1);
    EXPECT_DOUBLE_EQ(TimingFunction::linear()(0.3), 0.3);
}

TEST(KeyframesTest, LinearSegmentsAtKeyTimes)
{
    const Keyframes track({KeyValue::number(0), KeyValue::number(10), KeyValue::number(4)}, {0, 0.25, 1}, 8);
    expectNear(track.valueAt(0), KeyValue::number(0));
    expectNear(track.valueAt(1), KeyValue::number(5));   // halfway through the first quarter
    expectNear(track.valueAt(2), KeyValue::number(10));  // at the second key time
    expectNear(track.valueAt(5), KeyValue::number(7));   // halfway from 10 to 4
    // Repeats: 9 s is 1 s into the next loop.
    expectNear(track.valueAt(9), KeyValue::number(5));
}

TEST(KeyframesTest, HoldsFirstAndLastValuesOutsideTheKeyTimes)
{
    const Keyframes once({KeyValue::point(0, 0), KeyValue::point(10, 20)}, {0.2, 0.6}, 10, {}, false);
    EXPECT_EQ(once.valueAt(1), KeyValue::point(0, 0));
    expectNear(once.valueAt(4), KeyValue::point(5, 10));
    EXPECT_EQ(once.valueAt(8), KeyValue::point(10, 20));
    EXPECT_EQ(once.valueAt(25), KeyValue::point(10, 20));  // not repeating
}

TEST(KeyframesTest, EasesEachSegmentAndSpacesEvenlyWithoutKeyTimes)
{
    const auto ease = TimingFunction::easeInEaseOut();
    const Keyframes track({KeyValue::color(0, 0, 0, 0), KeyValue::color(1, 1, 1, 1), KeyValue::color(0, 0, 0, 0)}, {},
                          4, Keyframes::uniform(3, ease));
    // Evenly spaced: the middle value at 2 s; a quarter into the first segment at 0.5 s.
    expectNear(track.valueAt(2), KeyValue::color(1, 1, 1, 1));
    EXPECT_NEAR(track.valueAt(0.5)[3], 0.129162, 1e-5);
    EXPECT_NEAR(track.valueAt(3.5)[0], 0.129162, 1e-5);  // three quarters back down

    const auto at = track.position(3);
    EXPECT_EQ(at.segment, 1u);
    EXPECT_NEAR(at.progress, 0.5, 1e-9);
}

TEST(KeyframesTest, DegenerateTracks)
{
    EXPECT_EQ(Keyframes({KeyValue::size(3, 4)}, {}, 2).valueAt(1), KeyValue::size(3, 4));
    EXPECT_EQ(Keyframes({}, {}, 2).valueAt(1), KeyValue{});
    // A zero-length segment jumps.
    const Keyframes jump({KeyValue::number(0), KeyValue::number(1), KeyValue::number(2)}, {0, 0.5, 0.5}, 2, {}, false);
    EXPECT_DOUBLE_EQ(jump.valueAt(0.5)[0], 0.5);
    EXPECT_DOUBLE_EQ(jump.valueAt(1.5)[0], 2);
}

}  // namespace
