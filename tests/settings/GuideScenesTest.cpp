#include "settings/GuideSceneFixture.h"
#include "settings/guide/PinKeyboard.h"
#include "settings/guide/SceneDump.h"

#include "platform/ui/LayerPainter.h"

#include <QImage>
#include <QPainter>

#include <cmath>

// Expected values below are worked out by hand from the canvas's rectangles:
// pip1 (550.936, 372.664, 129.024, 80.976), pip2 5.04 below it at y 286.648,
// preview (228.0736, 189.0064, 283.8528, 178.1472), window (72.64, 170.56, 339.36, 215.04).

namespace {

constexpr double tolerance = 1e-3;

void expectAt(const ui::Layer::Presentation& seen, double x, double y)
{
    EXPECT_NEAR(seen.position.x, x, tolerance);
    EXPECT_NEAR(seen.position.y, y, tolerance);
}

}  // namespace

TEST_F(GuideSceneTest, EveryStepNamesItsActorsAndDumpsListThemInTheirOrder)
{
    const std::vector<std::vector<std::string>> expected{
        {"windowA", "windowB", "block1", "block2", "pip1", "pip2", "pointer", "dockIcon", "dockRing", "caption1",
         "caption2"},
        {"pip1", "pip2", "preview", "hoverRing", "pointer", "caption1", "caption2"},
        {"pip1", "pip2", "preview", "keyboard", "pointer", "clickRing", "caption1"},
        {"appWindow", "pip2", "circle", "pointer", "caption1", "caption2", "caption3"},
        {"pip2", "grip", "circle", "defaultLabel", "pointer", "resizeArrow", "caption1", "caption2"},
    };
    for (int step = 1; step <= 5; ++step) {
        const auto canvas = build(step);
        // A name the order misses would be dumped after the others.
        const auto actors = guide::sceneActorsJson(*canvas, 0, guide::sceneActorNames.at(step - 1));
        std::vector<std::string> dumped;
        for (const auto& [name, values] : actors.items()) dumped.push_back(name);
        EXPECT_EQ(dumped, expected[step - 1]) << step;
        EXPECT_EQ(actorNames(*canvas).size(), expected[step - 1].size()) << step;
    }
    EXPECT_EQ(linesWith("引导动画"), std::vector<std::string>{});
    EXPECT_EQ(linesWith("L10n 缺翻译"), std::vector<std::string>{});
}

TEST_F(GuideSceneTest, TriggerScenePointerJumpsHomeAndOneBlockShowsAtATime)
{
    const auto canvas = build(1);
    const ui::Layer& pointer = actor(*canvas, "pointer");
    // Resting on the block's centre until 0.94 x 16 = 15.04 s, then back at the start.
    expectAt(pointer.presentation(15.03), 391, 370.48);
    expectAt(pointer.presentation(15.04), 170, 115);
    expectAt(pointer.presentation(15.5), 170, 115);
    // The click on the Dock icon at 0.56, which peaks at 0.605.
    expectAt(pointer.presentation(9.5), 335.98, 77.32);
    EXPECT_NEAR(actor(*canvas, "dockIcon").presentation(0.605 * 16).scale, 1.35, tolerance);

    const ui::Layer& block1 = actor(*canvas, "block1");
    const ui::Layer& block2 = actor(*canvas, "block2");
    for (double t = 0; t < 16; t += 0.05)
        EXPECT_FALSE(block1.presentation(t).opacity > 0 && block2.presentation(t).opacity > 0) << t;
    EXPECT_NEAR(block1.presentation(3.4).opacity, 1, tolerance);
    EXPECT_NEAR(block2.presentation(12.5).opacity, 1, tolerance);

    // Window B stays until the loop's end and is gone at the restart.
    const ui::Layer& windowB = actor(*canvas, "windowB");
    EXPECT_NEAR(windowB.presentation(15.99).opacity, 1, tolerance);
    EXPECT_NEAR(windowB.presentation(16).opacity, 0, tolerance);
    EXPECT_NEAR(windowB.presentation(16).scale, 0.9, tolerance);
    EXPECT_EQ(windowB.opacity, 0);
}

TEST_F(GuideSceneTest, HoverPreviewRestartsHiddenAtTheMiniWindowsSizeAndPlace)
{
    const auto canvas = build(2);
    const ui::Layer& preview = actor(*canvas, "preview");
    for (double t : {0.0, 2.88, 11.99, 12.0}) {
        const auto seen = preview.presentation(t);
        expectAt(seen, 615.448, 327.136);
        EXPECT_NEAR(seen.scale, 0.45455, 1e-5) << t;
        EXPECT_NEAR(seen.opacity, 0, tolerance) << t;
    }
    const auto open = preview.presentation(6);
    expectAt(open, 370.0004, 278.08);
    EXPECT_NEAR(open.scale, 1, tolerance);
    EXPECT_NEAR(open.opacity, 1, tolerance);
    EXPECT_EQ(preview.opacity, 0);

    expectAt(actor(*canvas, "pointer").presentation(0.8 * 12), 81.88, 125.2);
    EXPECT_NEAR(actor(*canvas, "hoverRing").presentation(5).opacity, 1, tolerance);
}

TEST_F(GuideSceneTest, PinPreviewKeyboardSitsUnderThePreviewAndFlashesTypedKeys)
{
    const auto canvas = build(3);
    const ui::Layer& keyboard = actor(*canvas, "keyboard");
    const core::Rect frame = keyboard.frame();
    EXPECT_NEAR(frame.x(), 244.0004, tolerance);
    EXPECT_NEAR(frame.y(), 110.8864, tolerance);
    EXPECT_NEAR(frame.width(), 252, tolerance);
    EXPECT_NEAR(frame.height(), 67.2, tolerance);
    EXPECT_NEAR(keyboard.presentation(6).opacity, 0, tolerance);
    EXPECT_NEAR(keyboard.presentation(10).opacity, 1, tolerance);

    // Keys are 29.088 x 14.336 with gaps of 6.048; "A" opens the middle row, "D" is its third key.
    std::vector<const ui::Layer*> flashes;
    visit(keyboard, [&](const ui::Layer& layer) {
        if (layer.hasAnimations() && &layer != &keyboard) flashes.push_back(&layer);
    });
    ASSERT_EQ(flashes.size(), 4u);
    const auto flashAt = [&](double x) -> const ui::Layer& {
        for (const ui::Layer* flash : flashes)
            if (std::abs(flash->frame().x() - x) < tolerance) return *flash;
        throw std::runtime_error("no flash at x " + std::to_string(x));
    };
    const ui::Layer& flashA = flashAt(23.616);
    EXPECT_NEAR(flashA.frame().y(), 26.432, tolerance);
    EXPECT_NEAR(flashA.presentation(0.56 * 16).opacity, 1, tolerance);  // A lands at 0.52
    EXPECT_NEAR(flashA.presentation(0.50 * 16).opacity, 0, tolerance);
    EXPECT_NEAR(flashA.presentation(0.64 * 16).opacity, 0, tolerance);
    EXPECT_NEAR(flashAt(93.888).presentation(0.86 * 16).opacity, 1, tolerance);  // D lands at 0.82

    const ui::Layer& preview = actor(*canvas, "preview");
    EXPECT_NEAR(preview.presentation(15.99).opacity, 1, tolerance);
    EXPECT_NEAR(preview.presentation(16).opacity, 0, tolerance);
    expectAt(actor(*canvas, "pointer").presentation(10), 403.6004, 278.08);
}

TEST_F(GuideSceneTest, KeyboardWithoutLetterTimesHasLabelsButNoFlashes)
{
    ui::Layer canvas;
    const ui::Layer& keyboard = guide::pinKeyboard(canvas, {0, 0, 252, 67.2}, {}, 16);
    std::string labels;
    bool animated = false;
    visit(keyboard, [&](const ui::Layer& layer) {
        labels += layer.text;
        animated = animated || layer.hasAnimations();
    });
    EXPECT_EQ(labels, "QWERTYUASDFGHZXCVBN");
    EXPECT_FALSE(animated);
    // The top row's first key: x = 126 - (7 x 29.088 + 6 x 6.048) / 2, label 0.15 x h above the cap.
    const ui::Layer* q = nullptr;
    visit(keyboard, [&](const ui::Layer& layer) {
        if (layer.text == "Q") q = &layer;
    });
    ASSERT_NE(q, nullptr);
    EXPECT_NEAR(q->frame().x(), 6.048, tolerance);
    EXPECT_NEAR(q->frame().y(), 48.9664, tolerance);
    EXPECT_NEAR(q->font.points, 8.31488, tolerance);
}

TEST_F(GuideSceneTest, OpenOriginalPressesCloseButtonAndSecondIcon)
{
    const auto canvas = build(4);
    const ui::Layer& pointer = actor(*canvas, "pointer");
    expectAt(pointer.presentation(0.37 * 18), 67.02, 447.67);     // the opened window's red dot
    expectAt(pointer.presentation(0.68 * 18), 568.456, 362.124);  // the second top-bar icon
    expectAt(pointer.presentation(17.5), 220, 170);
    for (double press : {0.11, 0.145, 0.37, 0.68}) EXPECT_NEAR(pointer.presentation(press * 18).scale, 1.45, tolerance);
    for (double between : {0.05, 0.2, 0.5, 0.9}) EXPECT_NEAR(pointer.presentation(between * 18).scale, 1, tolerance);

    const ui::Layer& window = actor(*canvas, "appWindow");
    const auto opened = window.presentation(0.3 * 18);
    expectAt(opened, 370, 257.08);
    EXPECT_NEAR(opened.scale, 1.871287, 1e-5);
    const auto restart = window.presentation(18);
    expectAt(restart, 615.448, 327.136);
    EXPECT_NEAR(restart.scale, 0.380198, 1e-5);
    EXPECT_NEAR(restart.opacity, 0, tolerance);

    const ui::Layer& pip = actor(*canvas, "pip2");
    EXPECT_NEAR(pip.presentation(0.9 * 18).opacity, 0, tolerance);
    EXPECT_NEAR(pip.presentation(18).opacity, 1, tolerance);
    EXPECT_EQ(pip.opacity, 1);
}

TEST_F(GuideSceneTest, ResizeGrowsAboutTheBottomRightCornerAndCrossFadesThePointer)
{
    const auto canvas = build(5);
    const ui::Layer& pip = actor(*canvas, "pip2");
    expectAt(pip.presentation(0), 679.96, 286.648);
    EXPECT_NEAR(pip.presentation(8).scale, 1.45, tolerance);
    // The grown left edge: 679.96 - 1.45 x 129.024.
    const auto grown = pip.presentation(8);
    EXPECT_NEAR(grown.position.x - pip.anchorPoint.x * grown.size.width * grown.scale, 492.8752, tolerance);
    EXPECT_NEAR(pip.frame().x(), 550.936, tolerance);

    const ui::Layer& pointer = actor(*canvas, "pointer");
    const ui::Layer& arrow = actor(*canvas, "resizeArrow");
    expectAt(pointer.presentation(0.5 * 16), 492.8752, 286.648);
    // The third icon's centre (578.956, 362.124) pushed out from the corner by 1.45.
    expectAt(pointer.presentation(0.7 * 16), 533.5042, 396.0882);
    const core::Rect circle = actor(*canvas, "circle").frame();
    EXPECT_NEAR(circle.midX(), 533.5042, tolerance);
    EXPECT_NEAR(circle.width(), 10.15 + 12, tolerance);

    for (double t = 0; t < 16; t += 0.1) {
        const auto seenPointer = pointer.presentation(t);
        const auto seenArrow = arrow.presentation(t);
        EXPECT_NEAR(seenArrow.position.x, seenPointer.position.x, tolerance) << t;
        const double fraction = t / 16;
        const bool fading = (fraction > 0.13 && fraction < 0.17) || (fraction > 0.42 && fraction < 0.46);
        if (!fading) {
            EXPECT_NEAR(seenPointer.opacity + seenArrow.opacity, 1, tolerance) << t;
            EXPECT_TRUE(seenArrow.opacity < tolerance || seenArrow.opacity > 1 - tolerance) << t;
        }
    }
    EXPECT_NEAR(arrow.presentation(0.3 * 16).opacity, 1, tolerance);

    const ui::Layer& label = actor(*canvas, "defaultLabel");
    EXPECT_NEAR(label.frame().midX(), 610.936, tolerance);
    EXPECT_NEAR(label.frame().midY(), 260.648, tolerance);
    EXPECT_NEAR(label.presentation(15.9).opacity, 1, tolerance);
}

// A frame depends on t alone: the same bytes after any number of other frames.
TEST_F(GuideSceneTest, AFrameIsTheSameHoweverManyFramesCameBefore)
{
    const auto paint = [](const ui::Layer& canvas, double t) {
        QImage image(740, 480, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        ui::paintLayer(painter, canvas, t, 480);
        return image;
    };
    for (int step = 1; step <= 5; ++step) {
        const auto canvas = build(step);
        const double t = 7.3;
        const QImage first = paint(*canvas, t);
        for (double other = 0; other < 40; other += 0.7) paint(*canvas, other);
        EXPECT_EQ(paint(*canvas, t), first) << step;
        EXPECT_EQ(paint(*build(step), t), first) << step;
        EXPECT_NE(paint(*canvas, t + 2), first) << step;
    }
}
