#include "settings/guide/SceneActors.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include "platform/ui/SystemColors.h"

#include <gtest/gtest.h>

namespace {

constexpr double tolerance = 1e-9;
// Eased values come from a curve solved to about 1e-9 in time.
constexpr double eased = 1e-6;

void expectRect(const core::Rect& r, double x, double y, double w, double h)
{
    EXPECT_NEAR(r.x(), x, tolerance);
    EXPECT_NEAR(r.y(), y, tolerance);
    EXPECT_NEAR(r.width(), w, tolerance);
    EXPECT_NEAR(r.height(), h, tolerance);
}

}  // namespace

TEST(GuidePipWindow, SmallWindowsKeepTheTopBarAndIconFloors)
{
    // 80.976 high: 0.116 h is 9.39, so the bar is 11; 0.62 x 11 is 6.82, so icons are 7.
    ui::Layer canvas;
    core::Rect handedOut;
    const guide::PipWindow pip = guide::pipWindow(canvas, {550.936, 372.664, 129.024, 80.976}, QColor(Qt::red),
                                                  [&](ui::Layer&, const core::Rect& area) { handedOut = area; });
    expectRect(pip.panel->frame(), 550.936, 372.664, 129.024, 80.976);
    expectRect(handedOut, 0, 0, 129.024, 68.976);
    ASSERT_EQ(pip.icons.size(), 3u);
    const double xs[] = {3.52, 14.02, 24.52};
    for (int k = 0; k < 3; ++k) {
        expectRect(pip.icons[k]->frame(), xs[k], 71.976, 7, 7);
        EXPECT_EQ(pip.icons[k]->superlayer(), pip.panel);
    }
    QColor border = ui::systemColor("controlAccent");
    border.setAlphaF(0.9);
    EXPECT_EQ(pip.panel->borderColor, border) << "the accent border whatever colour is asked for";
    EXPECT_EQ(pip.panel->borderWidth, 1.5);

    // The box-with-arrow icon is drawn in its holder's units with a 1.12-pt line.
    const ui::Layer& box = *pip.icons[1]->sublayers().front();
    EXPECT_NEAR(box.lineWidth, 1.12, tolerance);
    ASSERT_EQ(box.path.subpaths.size(), 1u);
    EXPECT_NEAR(box.path.subpaths[0].points[2].x, 4.06, tolerance);
    EXPECT_NEAR(box.path.subpaths[0].points[2].y, 2.94, tolerance);
}

TEST(GuidePipWindow, TallWindowsScaleTheBarAndDefaultToTextBars)
{
    // 200 high: bar 23.2, icons 14.384 at 7.424 + k x 21.576.
    ui::Layer canvas;
    const guide::PipWindow pip = guide::pipWindow(canvas, {0, 0, 300, 200});
    expectRect(pip.icons[2]->frame(), 7.424 + 2 * 21.576, 176.8 + (23.2 - 14.384) / 2, 14.384, 14.384);
    // Panel: bar, three icons, then the content area under the bar.
    ASSERT_EQ(pip.panel->sublayers().size(), 5u);
    expectRect(pip.panel->sublayers().back()->frame(), 0, 0, 300, 175.8);
    EXPECT_EQ(pip.panel->sublayers().back()->sublayers().size(), 12u);
}

TEST(GuidePreviewPanel, ContentGetsThePanelFrameInItsParent)
{
    ui::Layer canvas;
    core::Rect handedOut;
    ui::Layer& panel = guide::previewPanel(canvas, {228.0736, 189.0064, 283.8528, 178.1472},
                                           [&](ui::Layer&, const core::Rect& rect) { handedOut = rect; });
    expectRect(handedOut, 228.0736, 189.0064, 283.8528, 178.1472);
    EXPECT_NEAR(panel.cornerRadius, 5.677056, tolerance);
    EXPECT_TRUE(panel.masksToBounds);
}

TEST(GuideCursor, PositionIsTheArrowTip)
{
    ui::Layer canvas;
    ui::Layer& pointer = guide::cursor(canvas);
    expectRect(pointer.frame(), 0, 0, 13, 19);
    const core::Point tip = pointer.path.subpaths.at(0).points.at(0);
    EXPECT_NEAR(tip.x, 6.5, tolerance);
    EXPECT_NEAR(tip.y, 9.5, tolerance);
    const core::Point lowest = pointer.path.subpaths[0].points[3];
    EXPECT_NEAR(lowest.x, 13.3, tolerance);
    EXPECT_NEAR(lowest.y, -8.9, tolerance);

    ASSERT_TRUE(guide::moveLoop(pointer, {{391, 370.48}, {391, 370.48}}, {0, 1}, 16));
    const ui::Layer::Presentation seen = pointer.presentation(3);
    // Where the tip is drawn: the frame's origin at the presented position, plus the tip.
    EXPECT_NEAR(seen.position.x - pointer.anchorPoint.x * 13 + tip.x, 391, tolerance);
    EXPECT_NEAR(seen.position.y - pointer.anchorPoint.y * 19 + tip.y, 370.48, tolerance);
}

class GuideClickPulsesTest : public testsupport::DiagTest {};

TEST_F(GuideClickPulsesTest, PointerDipsAroundEachClick)
{
    ui::Layer pointer;
    guide::clickPulses(pointer, {0.21, 0.56, 0.78}, 16, 0.03);
    EXPECT_EQ(pointer.animationKeys(), std::vector<std::string>{"transform.scale-loop"});
    EXPECT_NEAR(pointer.presentation(2.88).scale, 1, eased);      // 0.18
    EXPECT_NEAR(pointer.presentation(3.12).scale, 0.89, eased);   // 0.195: half way down
    EXPECT_NEAR(pointer.presentation(3.36).scale, 0.78, eased);   // 0.21
    EXPECT_NEAR(pointer.presentation(3.84).scale, 1, eased);      // 0.24
    EXPECT_NEAR(pointer.presentation(8.96).scale, 0.78, eased);   // 0.56
    EXPECT_NEAR(pointer.presentation(12.48).scale, 0.78, eased);  // 0.78
    EXPECT_NEAR(pointer.presentation(15).scale, 1, eased);
    EXPECT_EQ(pointer.scale, 1);
    EXPECT_TRUE(diagLines().empty());
}

TEST_F(GuideClickPulsesTest, ClickTooCloseToThePreviousIsLeftOut)
{
    // 0.255 is 1.5 spreads after 0.21: its dip would start before the last one ended.
    ui::Layer pointer;
    guide::clickPulses(pointer, {0.21, 0.255, 0.5}, 16, 0.03);
    EXPECT_EQ(diagLines(), std::vector<std::string>{"引导动画: 点击过近 0.255"});
    EXPECT_NEAR(pointer.presentation(3.36).scale, 0.78, eased);
    EXPECT_NEAR(pointer.presentation(4.08).scale, 1, eased) << "0.255 shows no dip";
    EXPECT_NEAR(pointer.presentation(8).scale, 0.78, eased);

    ui::Layer touching;
    guide::clickPulses(touching, {0.21, 0.27}, 16, 0.03);
    EXPECT_NEAR(touching.presentation(4.32).scale, 0.78, eased) << "two spreads apart is enough";
    EXPECT_EQ(diagLines().size(), 1u);
}

class GuideCaptionPillTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureQtApplication(); }
};

TEST_F(GuideCaptionPillTest, WidthCountsCharactersNotBytes)
{
    ui::Layer canvas;
    ui::Layer& pill = guide::captionPill(canvas, "已设为默认大小", {370, 26});
    expectRect(pill.frame(), 318.75, 14, 102.5, 24);
    EXPECT_EQ(pill.cornerRadius, 12);
    ASSERT_EQ(pill.sublayers().size(), 1u);
    const ui::Layer& label = *pill.sublayers().front();
    expectRect(label.frame(), 0, 3.25, 102.5, 17.5);
    EXPECT_EQ(label.text, "已设为默认大小");
    EXPECT_EQ(label.font.weight, ui::FontSpec::Weight::semibold);
}

TEST_F(GuideCaptionPillTest, LongCaptionNearTheEdgeNarrowsAboutItsCentre)
{
    ui::Layer canvas;
    ui::Layer& pill = guide::captionPill(canvas, "Set as the default size", {610.936, 260.648});
    expectRect(pill.frame(), 493.872, 248.648, 234.128, 24);
    const ui::Layer& label = *pill.sublayers().front();
    EXPECT_GE(label.font.points, 8);
    EXPECT_LE(label.font.points, 11.5);
}

class GuideCircleTest : public testsupport::DiagTest {};

TEST_F(GuideCircleTest, CircleDrawsItselfAndFadesWithinItsWindow)
{
    ui::Layer canvas;
    ui::Layer& circle = guide::circleGesture(canvas, {100, 100, 50, 30}, 2.6, 18, 0.6, 0.72);
    expectRect(circle.frame(), 94, 94, 62, 42);
    EXPECT_EQ(circle.path.ellipses, std::vector<core::Rect>{core::Rect(0, 0, 62, 42)});
    EXPECT_EQ(circle.strokeEnd, 0);
    EXPECT_EQ(circle.opacity, 0);
    EXPECT_EQ(circle.animationKeys(), (std::vector<std::string>{"opacity-loop", "strokeEnd-loop"}));

    EXPECT_NEAR(circle.presentation(10.62).opacity, 0, eased);       // 0.59
    EXPECT_NEAR(circle.presentation(10.89).opacity, 0.5, eased);     // 0.605
    EXPECT_NEAR(circle.presentation(10.8).strokeEnd, 0, eased);      // 0.6
    EXPECT_NEAR(circle.presentation(11.205).strokeEnd, 0.5, eased);  // 0.6225
    EXPECT_NEAR(circle.presentation(11.61).strokeEnd, 1, eased);     // 0.645
    EXPECT_NEAR(circle.presentation(12.6).opacity, 1, eased);        // 0.7
    EXPECT_NEAR(circle.presentation(12.96).opacity, 0, eased);       // 0.72
    EXPECT_NEAR(circle.presentation(17).strokeEnd, 1, eased);
}

TEST_F(GuideCircleTest, EarlyCircleFadesInFromTheLoopStart)
{
    // Appear at 0.004: the fade would begin at -0.006 and is held at 0 instead.
    ui::Layer canvas;
    ui::Layer& circle = guide::circleGesture(canvas, {0, 0, 10, 10}, 2.6, 10, 0.004, 0.5);
    EXPECT_EQ(circle.animationKeys(), (std::vector<std::string>{"opacity-loop", "strokeEnd-loop"}));
    EXPECT_NEAR(circle.presentation(0.12).opacity, 0.5, eased);  // 0.012, half way to 0.024
    EXPECT_TRUE(diagLines().empty());
}

TEST(GuideHighlightRing, RingSurroundsTheTargetHidden)
{
    ui::Layer canvas;
    ui::Layer& ring = guide::highlightRing(canvas, {324.64, 65.98, 22.68, 22.68}, 5, 8);
    expectRect(ring.frame(), 319.64, 60.98, 32.68, 32.68);
    EXPECT_EQ(ring.borderWidth, 2.5);
    EXPECT_EQ(ring.borderColor, ui::systemColor("controlAccent"));
    EXPECT_EQ(ring.opacity, 0);
}
