#include "platform/ui/Animation.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class AnimationTest : public testsupport::VirtualTimeTest {};

TEST_F(AnimationTest, StepsAtSixtyHertzAndEndsExactlyOnTime)
{
    std::vector<std::pair<double, double>> steps;  // (time, value)
    int completions = 0;
    ui::animate(
        0.15, 1.0, 0.0, [&](double v) { steps.emplace_back(dispatch::now(), v); }, [&] { ++completions; });

    ASSERT_EQ(steps.size(), 1u);
    EXPECT_DOUBLE_EQ(steps[0].second, 1.0);  // the from value at once

    clock().advance(0.149);
    EXPECT_EQ(completions, 0);
    EXPECT_GT(steps.back().second, 0.0);
    // Eased, a step each sixtieth of a second.
    const auto ease = ui::TimingFunction::easeInEaseOut();
    EXPECT_NEAR(steps[5].first, 5.0 / 60, 1e-9);
    EXPECT_NEAR(steps[5].second, 1.0 - ease(steps[5].first / 0.15), 1e-9);

    clock().advance(0.001);
    EXPECT_EQ(completions, 1);
    EXPECT_DOUBLE_EQ(steps.back().second, 0.0);
    EXPECT_NEAR(steps.back().first, 0.15, 1e-6);
    for (std::size_t i = 1; i < steps.size(); ++i) EXPECT_LE(steps[i].second, steps[i - 1].second);

    const auto count = steps.size();
    clock().advance(1);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(steps.size(), count);
}

TEST_F(AnimationTest, CancelStopsWithoutCompletionAndStopRunsItNextTurn)
{
    double value = 0;
    int completions = 0;
    auto cancelled = ui::animate(
        0.3, 0, 1, [&](double v) { value = v; }, [&] { ++completions; });
    clock().advance(0.1);
    cancelled.cancel();
    const double heldAt = value;
    clock().advance(1);
    EXPECT_EQ(value, heldAt);
    EXPECT_EQ(completions, 0);
    EXPECT_FALSE(cancelled.isRunning());

    auto stopped = ui::animate(
        0.3, 0, 1, [&](double v) { value = v; }, [&] { ++completions; });
    clock().advance(0.1);
    stopped.stop();
    EXPECT_EQ(completions, 0);  // not from inside the caller
    clock().runUntilIdle();
    EXPECT_EQ(completions, 1);
    stopped.stop();
    stopped.cancel();
    clock().advance(1);
    EXPECT_EQ(completions, 1);
    EXPECT_LT(value, 1);
}

TEST_F(AnimationTest, GroupDrivesSeveralValuesWithOneCompletion)
{
    double a = 0;
    double b = 0;
    std::vector<double> completedAt;
    ui::animate(
        0.2, {{0, 1, [&](double v) { a = v; }}, {10, 20, [&](double v) { b = v; }}},
        [&] { completedAt.push_back(dispatch::now()); }, ui::TimingFunction::linear());
    clock().advance(0.1);
    EXPECT_NEAR(a, 0.5, 1e-9);
    EXPECT_NEAR(b, 15, 1e-9);
    clock().advance(0.1);
    EXPECT_DOUBLE_EQ(a, 1);
    EXPECT_DOUBLE_EQ(b, 20);
    ASSERT_EQ(completedAt.size(), 1u);
}

TEST_F(AnimationTest, ZeroDurationAppliesAtOnceAndCompletesNextTurn)
{
    double value = 0;
    int completions = 0;
    ui::animate(
        0, 0, 1, [&](double v) { value = v; }, [&] { ++completions; });
    EXPECT_EQ(value, 1);
    EXPECT_EQ(completions, 0);
    clock().runUntilIdle();
    EXPECT_EQ(completions, 1);
}

}  // namespace
