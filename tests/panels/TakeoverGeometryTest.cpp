#include "panels/pin/TakeoverGeometry.h"

#include <gtest/gtest.h>

namespace {

void expectRect(const core::Rect& actual, const core::Rect& expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9);
}

}  // namespace

TEST(TakeoverGeometry, TheBoxFlipsWithTheFirstScreenElse900)
{
    const ui::Screen tall{1, {0, 0, 1728, 1117}, {0, 0, 1728, 1079}, 2, "Built-in"};
    const ui::Screen side{2, {1728, 0, 1920, 1080}, {1728, 0, 1920, 1080}, 1, "Side"};
    EXPECT_DOUBLE_EQ(pin::flipHeight({tall, side}, side), 1117);
    EXPECT_DOUBLE_EQ(pin::flipHeight({}, side), 1080);
    EXPECT_DOUBLE_EQ(pin::flipHeight({}, std::nullopt), 900);

    // Screen box bottom 200, top 700: 900 − 700 = 200 from the top.
    expectRect(pin::globalBox({100, 200, 800, 500}, 900), {100, 200, 800, 500});
    expectRect(pin::globalBox({100, 150, 800, 500}, 1117), {100, 467, 800, 500});
}

TEST(TakeoverGeometry, SmallWindowsScaleUpKeepingTheirAspectLargeOnesTakeTheBox)
{
    expectRect(pin::fittedFrame({0, 0, 400, 300}, {100, 50, 800, 600}), {100, 50, 800, 600});
    // Scale min(2.5, 1) = 1: unchanged size, centred.
    expectRect(pin::fittedFrame({0, 0, 400, 300}, {0, 0, 1000, 300}), {300, 0, 400, 300});
    // 300.4 is within half a point of 300: still fits, scaled down by 300/300.4.
    const double w = 400 * 300 / 300.4;
    expectRect(pin::fittedFrame({0, 0, 400, 300.4}, {0, 0, 1000, 300}), {500 - w / 2, 0, w, 300});
    // Too wide: the box itself, aspect and all.
    expectRect(pin::fittedFrame({0, 0, 900, 500}, {20, 30, 800, 600}), {20, 30, 800, 600});
    expectRect(pin::fittedFrame({0, 0, 400, 300.6}, {0, 0, 1000, 300}), {0, 0, 1000, 300});
    // A window without an area gets the box, not an infinite scale.
    expectRect(pin::fittedFrame({0, 0, 0, 300}, {0, 0, 1000, 300}), {0, 0, 1000, 300});
}

TEST(TakeoverGeometry, TheMinimumGrowsTheFrameAroundTheBoxCentre)
{
    const core::Rect box{0, 0, 800, 600};
    const core::Rect fitted{100, 100, 600, 400};
    const auto clamp = pin::clampToMinimum(fitted, box, core::Size{700, 300});
    ASSERT_TRUE(clamp);
    expectRect(clamp->frame, {50, 100, 700, 400});
    EXPECT_EQ(clamp->logLine, "接管预览: 应用最小尺寸 (700.0, 300.0) 钳制目标 600x400 → 700x400，按钳后尺寸重新居中");

    EXPECT_FALSE(pin::clampToMinimum(fitted, box, core::Size{600.3, 400.4}));  // within 0.5
    EXPECT_FALSE(pin::clampToMinimum(fitted, box, std::nullopt));
    // A learned dimension of 0 does not constrain.
    const auto heightOnly = pin::clampToMinimum(fitted, box, core::Size{0, 700});
    ASSERT_TRUE(heightOnly);
    expectRect(heightOnly->frame, {100, -50, 600, 700});
}

TEST(TakeoverGeometry, ALearnedMinimumStandsInOnlyWhenNoneIsReported)
{
    const std::map<std::string, core::Size> learned{{"com.example.notes", {900, 700}}};
    EXPECT_EQ(pin::effectiveMinimum(core::Size{500, 400}, "com.example.notes", learned), (core::Size{500, 400}));
    EXPECT_EQ(pin::effectiveMinimum(std::nullopt, "com.example.notes", learned), (core::Size{900, 700}));
    EXPECT_FALSE(pin::effectiveMinimum(std::nullopt, "com.example.other", learned));
    EXPECT_FALSE(pin::effectiveMinimum(std::nullopt, "", learned));
    EXPECT_FALSE(pin::effectiveMinimum(std::nullopt, std::nullopt, learned));

    // The unreported 900×700 minimum asked for 800×600: clamped to the learned size at once.
    const core::Rect box{100, 100, 800, 600};
    const auto clamp = pin::clampToMinimum(pin::fittedFrame({0, 0, 1200, 800}, box), box,
                                           pin::effectiveMinimum(std::nullopt, "com.example.notes", learned));
    ASSERT_TRUE(clamp);
    expectRect(clamp->frame, {50, 50, 900, 700});
}

TEST(TakeoverGeometry, AParkedWindowIsRestoredToItsPlaceBeforeParking)
{
    const core::Rect current{3000, 100, 800, 600};
    const auto parked = pin::savedFrameChoice(core::Rect{10, 20, 800, 600}, current);
    expectRect(parked.frame, {10, 20, 800, 600});
    EXPECT_EQ(parked.logLine,
              "接管预览: 源窗口曾被停放到虚拟屏 ⇒ 还原目标改用真正的原位 (10.0, 20.0, 800.0, 600.0)"
              "（而不是它当前所在的 (3000.0, 100.0, 800.0, 600.0)）");

    const auto unparked = pin::savedFrameChoice(std::nullopt, current);
    expectRect(unparked.frame, current);
    EXPECT_EQ(unparked.logLine, "");
    EXPECT_EQ(pin::savedFrameChoice(current, current).logLine, "");
}
