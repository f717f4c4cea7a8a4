#include "panels/rules/PreviewGeometry.h"
#include "panels/rules/PreviewStateMachine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace panels;

const core::Rect laptop{0, 0, 1440, 900};

void expectRect(const core::Rect& actual, const core::Rect& expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9);
}

TEST(PreviewGeometry, TheDefaultScaleGivesAPictureOfOverHalfTheScreensDiagonalCentredOnIt)
{
    // Diagonal 0.55 · 1698.1 of a 16:10 picture: 792 × 495, centred on the visible frame.
    expectRect(previewFrame(laptop, {1600, 1000}, 3, {}), {324, 202.5, 792, 495});
    // Centred on the visible frame wherever it lies, not at the origin.
    expectRect(previewFrame({100, 40, 1440, 900}, {1600, 1000}, 3, {}), {424, 242.5, 792, 495});
    // A source 1 pt high or less has no usable aspect: 1.6 is assumed.
    expectRect(previewFrame(laptop, {1600, 1}, 3, {}), {324, 202.5, 792, 495});
    expectRect(previewFrame(laptop, {0, 0}, 3, {}), {324, 202.5, 792, 495});
}

TEST(PreviewGeometry, TheScaleStaysBetweenTheMiniWindowAndTheLimits)
{
    // Scale 4: 0.733 of the diagonal, 1056 × 660, still within 0.85 of either side.
    expectRect(previewFrame(laptop, {1600, 1000}, 4, {}), {192, 120, 1056, 660});
    // Scale 1: a third of the default, but never smaller than its mini window, as far as
    // the visible frame allows.
    expectRect(previewFrame(laptop, {1600, 1000}, 1, {}), {588, 367.5, 264, 165});
    expectRect(previewFrame(laptop, {1600, 1000}, 1, {942, 780}), {96, 60, 1248, 780});
    expectRect(previewFrame(laptop, {1600, 1000}, 1, {2000, 2000}), {0, 0, 1440, 900});
}

TEST(PreviewGeometry, VeryWideAndVeryTallSourcesKeepTheirAspectWithinTheScreen)
{
    // 20:1 at scale 4 would be 1244 wide: limited to 0.85 · 1440.
    const core::Rect wide = previewFrame(laptop, {4000, 200}, 4, {});
    EXPECT_NEAR(wide.width(), 1224, 1e-9);
    EXPECT_NEAR(wide.width() / wide.height(), 20, 1e-9);
    EXPECT_NEAR(wide.midX(), 720, 1e-9);
    EXPECT_NEAR(wide.midY(), 450, 1e-9);

    // 1:2 at scale 4 would be 1113 high: limited to 0.85 · 900.
    const core::Rect tall = previewFrame(laptop, {500, 1000}, 4, {});
    EXPECT_NEAR(tall.height(), 765, 1e-9);
    EXPECT_NEAR(tall.width() / tall.height(), 0.5, 1e-9);
}

TEST(PreviewGeometry, ATinyDiagonalGivesTheSmallestFrameAndNoScreenNoNaN)
{
    // A 4 × 3 visible frame at scale 1: diagonal 0.92, so the picture is 2 × 2.
    expectRect(previewFrame({0, 0, 4, 3}, {1600, 1000}, 1, {}), {1, 0.5, 2, 2});
    // An empty visible frame gives an empty frame, never a NaN.
    const core::Rect none = previewFrame({}, {1600, 1000}, 3, {});
    EXPECT_EQ(none.width(), 0);
    EXPECT_EQ(none.height(), 0);
    EXPECT_FALSE(std::isnan(none.x()) || std::isnan(none.y()));
}

TEST(PreviewStateMachine, SchedulingArmsOnlyFromIdleWithTheSettingOn)
{
    EXPECT_EQ(PreviewStateMachine::scheduleSkipLine(true, {}), std::nullopt);
    EXPECT_EQ(PreviewStateMachine::scheduleSkipLine(false, {}),
              "schedulePreviewShow 跳过: enabled=false timer=false visible=false pinned=false");
    EXPECT_EQ(PreviewStateMachine::scheduleSkipLine(true, {.timerPending = true}),
              "schedulePreviewShow 跳过: enabled=true timer=true visible=false pinned=false");
    EXPECT_EQ(PreviewStateMachine::scheduleSkipLine(true, {.visible = true, .pinned = true}),
              "schedulePreviewShow 跳过: enabled=true timer=false visible=true pinned=true");
    // A fade-out in progress does not stop a new hover from arming the show.
    EXPECT_EQ(PreviewStateMachine::scheduleSkipLine(true, {.fadingOut = true}), std::nullopt);
}

TEST(PreviewStateMachine, AShowDuringTheFadeKeepsThePanelAndOnlyTheLatestFadeOrdersOut)
{
    PreviewStateMachine machine;
    // A plain fade-out ends with the panel ordered out.
    auto ticket = machine.beginFadeOut();
    EXPECT_TRUE(machine.isFadingOut());
    EXPECT_TRUE(machine.fadeEnded(ticket, false));
    EXPECT_FALSE(machine.isFadingOut());

    // Shown again before the fade ended: the fade's end leaves the panel.
    ticket = machine.beginFadeOut();
    machine.shown();
    EXPECT_FALSE(machine.isFadingOut());
    EXPECT_FALSE(machine.fadeEnded(ticket, true));

    // Shown and hidden again within the fade: the first fade's late end must not cut the
    // second one short, even though the preview is not visible.
    const auto first = machine.beginFadeOut();
    machine.shown();
    const auto second = machine.beginFadeOut();
    EXPECT_FALSE(machine.fadeEnded(first, false));
    EXPECT_TRUE(machine.isFadingOut());
    EXPECT_TRUE(machine.fadeEnded(second, false));
}

}  // namespace
