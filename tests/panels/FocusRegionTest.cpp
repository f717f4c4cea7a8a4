#include "panels/rules/FocusRegion.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

const core::Rect source(100, 200, 800, 600);

void expectRegion(const std::optional<panels::FocusRegion>& region, panels::FocusRegion expected)
{
    ASSERT_TRUE(region);
    EXPECT_NEAR(region->x, expected.x, 1e-9);
    EXPECT_NEAR(region->y, expected.y, 1e-9);
    EXPECT_NEAR(region->w, expected.w, 1e-9);
    EXPECT_NEAR(region->h, expected.h, 1e-9);
}

}  // namespace

TEST(FocusRegion, MeasuresFromTheWindowsTopLeft)
{
    expectRegion(panels::FocusRegion::from({100, 200, 400, 300}, source), {0, 0.5, 0.5, 0.5});  // bottom-left quarter
    expectRegion(panels::FocusRegion::from({500, 500, 400, 300}, source), {0.5, 0, 0.5, 0.5});  // top-right quarter
    expectRegion(panels::FocusRegion::from({700, 700, 400, 400}, source), {0.75, 0, 0.25, 1.0 / 6});  // cut to the window
    expectRegion(panels::FocusRegion::from(source, source), {});
}

TEST(FocusRegion, RefusesSelectionsTooSmallOrOutside)
{
    // 4 % of 800 is 32 pt: accepted exactly there, refused one point below.
    expectRegion(panels::FocusRegion::from({300, 300, 32, 100}, source), {0.25, 400.0 / 600, 0.04, 100.0 / 600});
    EXPECT_FALSE(panels::FocusRegion::from({300, 300, 31, 100}, source));
    EXPECT_FALSE(panels::FocusRegion::from({300, 300, 100, 23}, source));  // 23 of 600 is below 4 %

    EXPECT_FALSE(panels::FocusRegion::from({2000, 2000, 200, 200}, source));
    EXPECT_FALSE(panels::FocusRegion::from({900, 300, 100, 100}, source));  // touches the right edge
    EXPECT_FALSE(panels::FocusRegion::from({899, 300, 100, 100}, source));  // overlaps by 1 pt
    EXPECT_FALSE(panels::FocusRegion::from(core::Rect::null(), source));
    EXPECT_FALSE(panels::FocusRegion::from({0, 0, 5000, 5000}, {100, 200, 800, 1}));
    EXPECT_FALSE(panels::FocusRegion::from({0, 0, 5000, 5000}, {100, 200, 1, 600}));
}

TEST(FocusRegion, ComposesIntoTheBaseRegion)
{
    const core::Rect base(0.05, 0, 0.9, 1.0);
    EXPECT_EQ(panels::FocusRegion{}.composedInto(base), base);
    const core::Rect composed = panels::FocusRegion{0.5, 0.25, 0.5, 0.5}.composedInto(base);
    EXPECT_NEAR(composed.x(), 0.5, 1e-12);
    EXPECT_NEAR(composed.y(), 0.25, 1e-12);
    EXPECT_NEAR(composed.width(), 0.45, 1e-12);
    EXPECT_NEAR(composed.height(), 0.5, 1e-12);
}

TEST(FocusRegion, WholeWindowWithinTwoThousandths)
{
    EXPECT_TRUE((panels::FocusRegion{0.0019, -0.0019, 1.0019, 0.9981}.isWholeWindow()));
    EXPECT_FALSE((panels::FocusRegion{0.0021, 0, 1, 1}.isWholeWindow()));
    EXPECT_FALSE((panels::FocusRegion{0, 0, 0.5, 1}.isWholeWindow()));
}

TEST(FocusRegion, LockLineDescribesTheRegion)
{
    EXPECT_EQ(panels::focusLockLogLine({0.001, 0, 1, 0.999}, {342, 214}, {1200, 800}), "聚焦: 建窗锁定 关闭（整窗）");
    EXPECT_EQ(panels::focusLockLogLine({0.25, 0.5, 0.3, 0.5}, {342.4, 213.6}, {1200, 800}),
              "聚焦: 建窗锁定 x=0.250 y=0.500 w=0.300 h=0.500（占窗口 15%）小窗=342×214 源=1200×800");
}

using FocusSelfTest = testsupport::DiagTest;

TEST_F(FocusSelfTest, WritesEveryCaseAndTheSummary)
{
    panels::FocusRegion::selfTest();
    const std::vector<std::string> expected{
        "聚焦自检（E=(0.050, 0.000, 0.900, 1.000) 源窗口=(100.000, 200.000, 800.000, 600.000)）：",
        "聚焦自检: PASS 未聚焦 = E（零回归） —— → (0.050, 0.000, 0.900, 1.000)",
        "聚焦自检: PASS 窗口底部 1/4 → y=0.5 —— x=0.000 y=0.500 w=0.500 h=0.500 占比=25%",
        "聚焦自检: PASS 窗口顶部 1/4 → y=0 —— x=0.500 y=0.000 w=0.500 h=0.500 占比=25%",
        "聚焦自检: PASS 任意比例（半宽全高） —— x=0.000 y=0.000 w=0.500 h=1.000 占比=50%",
        "聚焦自检: PASS 越界裁成交集 —— x=0.750 y=0.000 w=0.250 h=0.167 占比=4%",
        "聚焦自检: PASS 无交集 → 无效 —— → nil",
        "聚焦自检: PASS 过小 → 无效 —— → nil",
        "聚焦自检: PASS 复合比例正确 —— E=0.9000 期望=0.4500 实际=0.4500",
        "聚焦自检: 结束 —— 8 项通过 / 0 项失败 —— 全部通过 ✅",
    };
    EXPECT_EQ(diagLines(), expected);
}
