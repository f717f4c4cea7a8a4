#include "settings/guide/SceneToolkit.h"
#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

constexpr double tolerance = 1e-9;

void expectRect(const core::Rect& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, tolerance);
    EXPECT_NEAR(r.y(), y, tolerance);
    EXPECT_NEAR(r.width(), w, tolerance);
    EXPECT_NEAR(r.height(), h, tolerance);
}

void expectPoint(core::Point p, double x, double y, double within = tolerance)
{
    EXPECT_NEAR(p.x, x, within);
    EXPECT_NEAR(p.y, y, within);
}

}  // namespace

TEST(GuideScreen, RectanglesAreDerivedFromTheDesktop)
{
    const guide::Screen s = guide::screenGeometry();
    expectRect(s.visRect, 52.48, 100, 635.04, 356.16);
    expectRect(s.winRect, 72.64, 170.56, 339.36, 215.04);
    expectRect(s.blockRect, 373.36, 358.72, 35.28, 23.52);
    expectRect(s.pip1Rect, 550.936, 372.664, 129.024, 80.976);
    expectRect(s.pip2Rect, 550.936, 286.648, 129.024, 80.976);
    expectRect(s.previewRect, 228.0736, 189.0064, 283.8528, 178.1472);
    expectRect(s.dockIconRect, 324.64, 65.98, 22.68, 22.68);
    EXPECT_EQ(s.screenBottom, 58);
    EXPECT_EQ(s.container, nullptr);
}

TEST(GuideScreen, MakeScreenReturnsTheThirdDockIconWithSwappedHues)
{
    ui::Layer canvas;
    const guide::Screen s = guide::makeScreen(canvas);
    ASSERT_EQ(canvas.sublayers().size(), 1u);
    EXPECT_EQ(s.container, canvas.sublayers().front().get());
    expectRect(s.container->frame(), 0, 0, 740, 480);
    expectRect(s.previewRect, 228.0736, 189.0064, 283.8528, 178.1472);

    ASSERT_NE(s.dockIcon, nullptr);
    const ui::Layer* dock = s.dockIcon->superlayer();
    ASSERT_NE(dock, nullptr);
    ASSERT_EQ(dock->sublayers().size(), 7u);
    EXPECT_EQ(dock->sublayers()[2].get(), s.dockIcon);
    const core::Rect inCanvas = s.dockIcon->frame().offsetBy(dock->frame().x(), dock->frame().y());
    expectRect(inCanvas, 324.64, 65.98, 22.68, 22.68);

    const double expectedHues[] = {0, 1 / 7.0, 0.571, 3 / 7.0, 0.286, 5 / 7.0, 6 / 7.0};
    for (int i = 0; i < 7; ++i) {
        const QColor color = dock->sublayers()[i]->backgroundColor;
        EXPECT_NEAR(color.hsvHueF(), expectedHues[i], 1e-4) << "icon " << i;
        EXPECT_NEAR(color.hsvSaturationF(), 0.55, 1e-4);
        EXPECT_NEAR(color.valueF(), 0.9, 1e-4);
    }
}

TEST(GuideContent, BarsGrowOneAfterAnotherOnTheirOwnThirtySeconds)
{
    // The application window's area under its title bar: 339.36 x 202.44, bar height 10.122.
    ui::Layer window;
    guide::content(window, {0, 0, 339.36, 202.44});
    ASSERT_EQ(window.sublayers().size(), 1u);
    const ui::Layer& area = *window.sublayers().front();
    ASSERT_EQ(area.sublayers().size(), 12u);
    EXPECT_TRUE(area.masksToBounds);

    const ui::Layer& first = *area.sublayers().front();
    // Left edge at the side inset, centred one bar below the top inset.
    expectRect(first.frame(), 18.6648, 184.2204, 0.010122, 10.122);
    EXPECT_NEAR(first.presentation(0.9).size.width, 0.010122, 1e-9);
    EXPECT_NEAR(first.presentation(2.475).size.width, 264.7008, 1e-6);
    EXPECT_LT(first.presentation(1.6875).size.width, 264.7008);

    const ui::Layer& twelfth = *area.sublayers().back();
    EXPECT_NEAR(twelfth.frame().y(), 189.2814 - 222.684 - 5.061, 1e-9);
    EXPECT_NEAR(twelfth.presentation(20.1).size.width, 0.010122, 1e-9);
    const double halfway = twelfth.presentation(20.9375).size.width;
    EXPECT_NEAR(halfway, (0.010122 + 101.808) / 2, 1e-6);
    EXPECT_NEAR(twelfth.presentation(21.725).size.width, 101.808, 1e-6);
    EXPECT_NEAR(twelfth.presentation(29).size.width, 101.808, 1e-6);
    EXPECT_NEAR(twelfth.presentation(30 + 21.725).size.width, 101.808, 1e-6) << "a second cycle";
    EXPECT_NEAR(twelfth.presentation(21.725).size.height, 10.122, 1e-9);
}

TEST(GuideContent, ShallowAreaScrollsByItsOverflowAndBack)
{
    // A mini window's area: bar height 3.4488, top inset 3, so 12 bars overflow by 16.7952.
    ui::Layer panel;
    guide::content(panel, {0, 0, 129.024, 68.976});
    const ui::Layer& area = *panel.sublayers().front();
    EXPECT_EQ(area.animationKeys(), std::vector<std::string>{"position-loop"});
    expectPoint(area.position, 64.512, 34.488);
    expectPoint(area.presentation(21.6).position, 64.512, 34.488);
    expectPoint(area.presentation(24.6).position, 64.512, 51.2832);
    expectPoint(area.presentation(26.9).position, 64.512, 51.2832);
    expectPoint(area.presentation(28.5).position, 64.512, 34.488 + 16.7952 / 2, 1e-6);
    expectPoint(area.presentation(30).position, 64.512, 34.488);
}

TEST(GuideContent, AreaThatHoldsItsBarsDoesNotScroll)
{
    // Six bars of 15 in 300 with a 12 top inset leave room to spare.
    ui::Layer panel;
    guide::content(panel, {0, 0, 200, 300}, 6);
    const ui::Layer& area = *panel.sublayers().front();
    EXPECT_EQ(area.sublayers().size(), 6u);
    EXPECT_FALSE(area.hasAnimations());
}

class GuideLoopTest : public testsupport::DiagTest {};

TEST_F(GuideLoopTest, LoopsEaseEverySegmentAndKeyByTheirPath)
{
    ui::Layer layer;
    layer.position = {5, 5};
    ASSERT_TRUE(guide::moveLoop(layer, {{0, 0}, {100, 40}}, {0, 1}, 10));
    EXPECT_EQ(layer.animationKeys(), std::vector<std::string>{"position-loop"});
    expectPoint(layer.position, 5, 5);
    expectPoint(layer.presentation(5).position, 50, 20, 1e-6);
    EXPECT_LT(layer.presentation(2.5).position.x, 25) << "eased in";

    ui::Layer linear;
    ASSERT_TRUE(
        guide::addLinearLoop(linear, "transform.rotation", {ui::KeyValue::number(0), ui::KeyValue::number(4)}, {}, 2));
    EXPECT_NEAR(linear.presentation(0.5).rotation, 1, 1e-12);

    ui::Layer pill;
    ASSERT_TRUE(guide::opacityLoop(pill, {0, 0, 1, 1, 0}, {0, 0.5, 0.6, 0.8, 0.9}, 10, 0));
    EXPECT_EQ(pill.opacity, 0);
    EXPECT_NEAR(pill.presentation(7).opacity, 1, 1e-9);
    EXPECT_NEAR(pill.presentation(9.5).opacity, 0, 1e-12) << "holds the last value past the last key time";
    EXPECT_TRUE(diagLines().empty());
}

TEST_F(GuideLoopTest, RefusedKeyTimesAddNothingAndLogOneLine)
{
    ui::Layer block;
    block.name = "block1";
    EXPECT_FALSE(guide::scaleLoop(block, {1, 0.5, 1}, {0, 0.6, 0.4}, 16));
    ui::Layer unnamed;
    EXPECT_FALSE(guide::opacityLoop(unnamed, {0, 1}, {0, 1.2}, 16, 1));
    EXPECT_FALSE(block.hasAnimations());
    EXPECT_FALSE(unnamed.hasAnimations());
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"引导动画: 关键帧被拒 block1 transform.scale-loop",
                                                     "引导动画: 关键帧被拒 ? opacity-loop"}));
}
