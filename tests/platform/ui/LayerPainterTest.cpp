#include "platform/ui/LayerPainter.h"

#include "support/QtTestApplication.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <numbers>

namespace {

using ui::Layer;
using ui::LayerPath;

constexpr int side = 100;

class LayerPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        root.anchorPoint = {0, 0};
        root.size = {side, side};
    }

    // The tree at t on white; pixel rows run downwards.
    QImage paint(double t = 0) const
    {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        ui::paintLayer(painter, root, t, side);
        return image;
    }

    Layer& square(Layer& parent, const core::Rect& frame, QColor color)
    {
        Layer& layer = parent.addSublayer();
        layer.setFrame(frame);
        layer.backgroundColor = color;
        return layer;
    }

    Layer root;
};

bool isColor(const QImage& image, int x, int y, QColor expected)
{
    const QColor c = image.pixelColor(x, y);
    return std::abs(c.red() - expected.red()) < 8 && std::abs(c.green() - expected.green()) < 8 &&
           std::abs(c.blue() - expected.blue()) < 8;
}

bool isWhite(const QImage& image, int x, int y) { return isColor(image, x, y, Qt::white); }
bool isDark(const QImage& image, int x, int y) { return image.pixelColor(x, y).lightness() < 100; }

TEST_F(LayerPainterTest, PlacesLayersWithYUpAboutTheirAnchor)
{
    square(root, core::Rect(10, 10, 20, 20), Qt::red);

    Layer& scaled = square(root, core::Rect(0, 0, 20, 20), Qt::blue);
    scaled.anchorPoint = {0, 0};
    scaled.position = {50, 50};
    scaled.scale = 2;  // x 50 to 90, y up 50 to 90

    Layer& turned = square(root, core::Rect(0, 0, 40, 10), Qt::green);
    turned.anchorPoint = {0, 0.5};
    turned.position = {20, 30};
    turned.rotation = std::numbers::pi / 2;  // counter-clockwise: x 15 to 25, y up 30 to 70

    const QImage image = paint();
    EXPECT_TRUE(isColor(image, 20, 80, Qt::red)) << "near the bottom";
    EXPECT_TRUE(isWhite(image, 20, 20));
    EXPECT_TRUE(isColor(image, 85, 15, Qt::blue));
    EXPECT_TRUE(isColor(image, 55, 45, Qt::blue));
    EXPECT_TRUE(isWhite(image, 45, 55));
    EXPECT_TRUE(isColor(image, 20, 50, Qt::green)) << "turned upwards";
    EXPECT_TRUE(isWhite(image, 45, 70)) << "not left unturned";
}

TEST_F(LayerPainterTest, MasksSublayersToTheRoundedBounds)
{
    Layer& parent = square(root, core::Rect(10, 50, 40, 40), Qt::white);
    Layer& child = square(parent, core::Rect(20, 20, 60, 60), Qt::blue);  // spills out up and right
    square(parent, core::Rect(0, 0, 10, 10), Qt::red);                    // the parent's bottom-left corner

    EXPECT_TRUE(isColor(paint(), 70, 20, Qt::blue)) << "unmasked, the child spills out";

    parent.masksToBounds = true;
    QImage image = paint();
    EXPECT_TRUE(isColor(image, 40, 20, Qt::blue));
    EXPECT_TRUE(isWhite(image, 70, 20));
    EXPECT_TRUE(isColor(image, 15, 45, Qt::red)) << "sublayers sit in the parent's y-up bounds";

    parent.cornerRadius = 10;
    image = paint();
    EXPECT_TRUE(isColor(image, 40, 20, Qt::blue));
    EXPECT_TRUE(isWhite(image, 48, 12)) << "the rounded corner cuts the child";
    child.opacity = 0;
    EXPECT_TRUE(isWhite(paint(), 40, 20));
}

TEST_F(LayerPainterTest, OpacityMultipliesDownTheTree)
{
    Layer& parent = root.addSublayer();
    parent.setFrame(core::Rect(0, 0, side, side));
    parent.opacity = 0.5;
    Layer& child = square(parent, core::Rect(0, 0, side, side), Qt::black);
    child.opacity = 0.5;
    EXPECT_NEAR(paint().pixelColor(50, 50).red(), 191, 3);

    ASSERT_TRUE(child.addAnimation("opacity-loop", "opacity",
                                   ui::Keyframes({ui::KeyValue::number(0), ui::KeyValue::number(1)}, {0, 1}, 2)));
    EXPECT_TRUE(isWhite(paint(0), 50, 50)) << "the track, not the model, is drawn";
    EXPECT_NEAR(paint(1).pixelColor(50, 50).red(), 191, 3);
}

TEST_F(LayerPainterTest, StrokesOnlyTheFirstPartOfTheOutline)
{
    Layer& line = root.addSublayer(Layer::Kind::shape);
    line.setFrame(core::Rect(0, 0, side, side));
    line.path = LayerPath::segment({10, 50}, {90, 50});
    line.strokeColor = Qt::black;
    line.lineWidth = 4;
    line.strokeEnd = 0.5;
    QImage image = paint();
    EXPECT_TRUE(isDark(image, 30, 50));
    EXPECT_TRUE(isWhite(image, 70, 50));

    line.strokeEnd = 0;
    EXPECT_TRUE(isWhite(paint(), 30, 50)) << "nothing stroked";

    // A circle starts at its rightmost point and runs counter-clockwise, y up.
    line.path = LayerPath::ellipse(core::Rect(20, 20, 60, 60));
    line.strokeEnd = 0.25;
    image = paint();
    EXPECT_TRUE(isDark(image, 71, 29)) << "upper right";
    EXPECT_TRUE(isWhite(image, 71, 71)) << "lower right";
    EXPECT_TRUE(isWhite(image, 29, 29)) << "upper left";
    line.strokeEnd = 1;
    EXPECT_TRUE(isDark(paint(), 71, 71));
}

TEST_F(LayerPainterTest, DrawsTextUprightAtTheTopOfItsBounds)
{
    Layer& text = root.addSublayer(Layer::Kind::text);
    text.setFrame(core::Rect(0, 0, side, side));
    text.text = "T";
    text.font = ui::FontSpec{40};
    text.foregroundColor = Qt::black;
    const QImage image = paint();

    int top = -1, bottom = -1, left = side, right = -1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (isDark(image, x, y)) {
                if (top < 0) top = y;
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(top, 0) << "no text drawn";
    EXPECT_LT(bottom, 60) << "at the top";
    EXPECT_NEAR((left + right) / 2.0, 50, 3) << "centred";
    auto inkWidth = [&](int y) {
        int n = 0;
        for (int x = 0; x < side; ++x) n += isDark(image, x, y);
        return n;
    };
    EXPECT_GT(inkWidth(top + 1), 2 * inkWidth(bottom - 1)) << "the bar above the stem: not mirrored";
}

TEST_F(LayerPainterTest, FillsGradientsBordersAndShadows)
{
    Layer& gradient = root.addSublayer(Layer::Kind::gradient);
    gradient.setFrame(core::Rect(0, 0, 20, side));
    gradient.colors = {Qt::red, Qt::blue};  // from the top down, by default

    Layer& bordered = root.addSublayer();
    bordered.setFrame(core::Rect(30, 60, 40, 30));  // rows 10 to 40
    bordered.borderWidth = 4;
    bordered.borderColor = Qt::black;

    Layer& casting = square(root, core::Rect(30, 10, 30, 30), Qt::green);  // rows 60 to 90
    casting.shadowOpacity = 1;
    casting.shadowRadius = 0;
    casting.shadowOffset = {8, -5};

    const QImage image = paint();
    EXPECT_GT(image.pixelColor(10, 2).red(), 220);
    EXPECT_GT(image.pixelColor(10, 97).blue(), 220);
    EXPECT_LT(image.pixelColor(10, 97).red(), 35);

    EXPECT_TRUE(isDark(image, 32, 25)) << "inside the left edge";
    EXPECT_TRUE(isWhite(image, 28, 25)) << "not outside it";
    EXPECT_TRUE(isWhite(image, 36, 25));
    EXPECT_TRUE(isWhite(image, 50, 25));

    EXPECT_TRUE(isColor(image, 45, 75, Qt::green)) << "above its shadow";
    EXPECT_TRUE(isDark(image, 64, 93)) << "the shadow falls right and down";
    EXPECT_TRUE(isWhite(image, 64, 56));
    EXPECT_TRUE(isWhite(image, 33, 93));
}

}  // namespace
