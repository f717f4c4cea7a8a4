#include "app/HoverTriggerSensor.h"
#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

using app::HoverTriggerHit;
using app::HoverTriggerSensor;
using Action = HoverTriggerSensor::Action;

// Two windows side by side whose zones are the given rectangles (screen coordinates);
// counts fresh tests and the hit lines the sensor lets through.
struct FakeDesktop {
    core::Rect zoneA{100, 100, 80, 48};
    core::Rect zoneB{300, 100, 80, 48};
    int tests = 0;
    desktop::WindowLife lifeA = 0;
    std::vector<desktop::WindowID> hitLines;

    HoverTriggerSensor::HitTest hitTest()
    {
        return [this](core::Point p, core::Size,
                      const std::function<bool(desktop::WindowID)>& shouldLogHit) -> std::optional<HoverTriggerHit> {
            ++tests;
            desktop::WindowID id = zoneA.contains(p) ? 1 : zoneB.contains(p) ? 2 : 0;
            if (id == 0) return std::nullopt;
            if (shouldLogHit(id)) hitLines.push_back(id);
            return HoverTriggerHit{id, {0, 0, 84, 56}, id == 1 ? lifeA : 0};
        };
    }
};

class HoverTriggerSensorTest : public testsupport::DiagTest {
protected:
    // Polls every 0.2 s from the current time up to and including until.
    std::vector<std::pair<double, Action>> pollUntil(double until, core::Point p, bool option = false)
    {
        std::vector<std::pair<double, Action>> actions;
        for (; now + 0.2 <= until + 1e-9;) {
            now += 0.2;
            const auto outcome = sensor.poll(now, p, option, fake.hitTest());
            if (outcome.action == Action::show) sensor.blockShown(now);
            if (outcome.action != Action::none) actions.emplace_back(now, outcome.action);
        }
        return actions;
    }

    static bool near(double a, double b) { return std::abs(a - b) < 1e-6; }

    HoverTriggerSensor sensor;
    FakeDesktop fake;
    double now = 0;
    const core::Point inA{150, 120};
    const core::Point inB{350, 120};
    const core::Point outside{10, 10};
};

TEST_F(HoverTriggerSensorTest, DwellsShowsFadesAndStaysAwayUntilThePointerLeaves)
{
    auto actions = pollUntil(6.0, inA);
    // Entry at 0.2; shown once 0.8 s have passed; faded 2 s after showing; nothing more.
    ASSERT_EQ(actions.size(), 3u);
    EXPECT_TRUE(near(actions[0].first, 0.2));
    EXPECT_EQ(actions[0].second, Action::orderOut);
    EXPECT_EQ(actions[1].second, Action::show);
    EXPECT_GE(actions[1].first, 1.0 - 1e-9);
    EXPECT_LE(actions[1].first, 1.2 + 1e-9);
    EXPECT_EQ(actions[2].second, Action::fadeOut);
    EXPECT_GE(actions[2].first - actions[1].first, 2.0 - 1e-9);
    EXPECT_LE(actions[2].first - actions[1].first, 2.2 + 1e-9);
    EXPECT_EQ(sensor.fadedForTarget(), 1u);
    EXPECT_FALSE(sensor.overlayShown());

    // Leaving clears the faded mark; coming back dwells and shows again.
    EXPECT_EQ(pollUntil(6.2, outside).back().second, Action::orderOut);
    EXPECT_EQ(sensor.currentTarget(), 0u);
    EXPECT_EQ(sensor.fadedForTarget(), 0u);
    actions = pollUntil(7.4, inA);
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[1].second, Action::show);

    EXPECT_EQ(linesWith("悬停触发: 进入感应区 id=1").size(), 2u);
    EXPECT_EQ(linesWith("悬停触发: 停留达标 → 显示触发块").size(), 2u);
    pollUntil(now + 4, inA);
    fake.lifeA = 1;  // faded there, the window closed and a new one got its number
    EXPECT_EQ(pollUntil(now + 3, inA).size(), 2u);
}

TEST_F(HoverTriggerSensorTest, OptionHeldKeepsTheBlockAndReleasingLetsItFadeAtTheNextPoll)
{
    pollUntil(1.2, inA);
    ASSERT_TRUE(sensor.overlayShown());
    EXPECT_TRUE(pollUntil(8.0, inA, /*option=*/true).empty());
    EXPECT_TRUE(sensor.overlayShown());
    const auto actions = pollUntil(8.2, inA);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].second, Action::fadeOut);
}

TEST_F(HoverTriggerSensorTest, AnotherWindowsZoneHidesTheBlockAndRestartsTheDwell)
{
    pollUntil(1.2, inA);
    ASSERT_TRUE(sensor.overlayShown());
    auto actions = pollUntil(1.4, inB);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].second, Action::orderOut);
    EXPECT_EQ(sensor.currentTarget(), 2u);
    EXPECT_FALSE(sensor.overlayShown());
    EXPECT_TRUE(pollUntil(2.0, inB).empty());
    actions = pollUntil(2.4, inB);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].second, Action::show);
}

TEST_F(HoverTriggerSensorTest, TheHitLineIsWrittenOncePerEntryIntoAZone)
{
    // Resting for 10 s through show and fade, then wandering inside the zone.
    pollUntil(10.0, inA);
    for (double x = 101; x < 180; x += 7) pollUntil(now + 0.2, {x, 110});
    EXPECT_EQ(fake.hitLines, (std::vector<desktop::WindowID>{1}));
    // Straight into the other window's zone, back, out and in again: one line each.
    pollUntil(now + 0.4, inB);
    pollUntil(now + 0.4, inA);
    pollUntil(now + 0.4, outside);
    pollUntil(now + 0.4, inA);
    EXPECT_EQ(fake.hitLines, (std::vector<desktop::WindowID>{1, 2, 1, 1}));
}

TEST_F(HoverTriggerSensorTest, ARestingPointerReusesItsHitTestForASecondAndClosePollsAreSkipped)
{
    pollUntil(0.2, inA);
    EXPECT_EQ(fake.tests, 1);
    pollUntil(1.0, inA);
    EXPECT_EQ(fake.tests, 1);  // the block shows at 1.0 or later: the zone is still 80 x 48
    pollUntil(1.4, {inA.x + 0.4, inA.y - 0.4});
    EXPECT_GE(fake.tests, 2);  // the grown zone of a shown block, or the second gone by

    const int before = fake.tests;
    sensor.forgetCachedHit();
    EXPECT_EQ(sensor.poll(now + 0.04, inA, false, fake.hitTest()).action, Action::none);
    EXPECT_EQ(fake.tests, before);
    sensor.poll(now + 0.06, inA, false, fake.hitTest());
    EXPECT_EQ(fake.tests, before + 1);
}

TEST_F(HoverTriggerSensorTest, AnOptionDragKeepsTheBlockAwayUntilThePointerLeaves)
{
    EXPECT_EQ(sensor.beginFocusDrag(), 0u);
    pollUntil(1.2, inA);
    ASSERT_TRUE(sensor.overlayShown());
    EXPECT_EQ(sensor.beginFocusDrag(), 1u);
    EXPECT_FALSE(sensor.overlayShown());
    EXPECT_TRUE(pollUntil(5.0, inA).empty());
    pollUntil(5.2, outside);
    EXPECT_EQ(pollUntil(6.4, inA).back().second, Action::show);
}

TEST_F(HoverTriggerSensorTest, AClickKeepsTheBlockCountedAsShownSoItDoesNotReappear)
{
    pollUntil(1.2, inA);
    EXPECT_EQ(sensor.clicked(), 1u);
    // The caller ordered the block out; it fades by the clock and stays away.
    const auto actions = pollUntil(6.0, inA);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].second, Action::fadeOut);
}

}  // namespace
