#include "platform/ui/WidgetPicture.h"

#include "support/QtTestApplication.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A widget that fills itself with one colour.
QWidget* block(QWidget* parent, const QRect& geometry, const QColor& colour)
{
    auto* widget = new QWidget(parent);
    widget->setGeometry(geometry);
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    return widget;
}

// Blue, green, red and alpha of the pixel at (x, y) in points.
std::array<int, 4> pixelAt(const desktop::PixelBuffer& buffer, double scale, int x, int y)
{
    const auto* p = buffer.row(static_cast<int>((y + 0.5) * scale)) + 4 * static_cast<int>((x + 0.5) * scale);
    return {p[0], p[1], p[2], p[3]};
}

bool isRed(const std::array<int, 4>& pixel) { return pixel[2] > 200 && pixel[1] < 60 && pixel[0] < 60; }

class WidgetPictureTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ensureQtApplication(); }
};

// A faded child sits where its geometry says, at every nesting depth and pixel scale;
// nothing of it shows elsewhere.
TEST_F(WidgetPictureTest, ChildrenWithEffectsAppearAtTheirGeometry)
{
    for (const double scale : {1.0, 2.0}) {
        for (const double opacity : {1.0, 0.999, 0.6}) {
            QWidget root;
            root.resize(300, 320);
            QWidget* middle = block(&root, QRect(20, 100, 260, 200), Qt::white);
            QWidget* faded = block(middle, QRect(30, 46, 80, 30), Qt::red);
            auto* effect = new QGraphicsOpacityEffect(faded);
            effect->setOpacity(opacity);
            faded->setGraphicsEffect(effect);
            auto* fadedMiddle = new QGraphicsOpacityEffect(middle);
            fadedMiddle->setOpacity(1.0);
            middle->setGraphicsEffect(fadedMiddle);

            const auto picture = ui::renderWidget(root, scale);
            ASSERT_TRUE(picture);
            SCOPED_TRACE(testing::Message() << "scale " << scale << " opacity " << opacity);
            // Inside the faded child (root coordinates 50..130 × 146..176).
            const auto inside = pixelAt(*picture, scale, 90, 160);
            EXPECT_GT(inside[2], inside[1] + 60) << "the child is missing at its place";
            // Where twice the offsets would put it, and just outside its frame.
            for (const auto& [x, y] : std::vector<std::pair<int, int>>{{90, 290}, {150, 160}, {90, 180}, {45, 160}})
                EXPECT_FALSE(isRed(pixelAt(*picture, scale, x, y))) << "at " << x << "," << y;
        }
    }
}

TEST_F(WidgetPictureTest, StraightAlphaAndEmptyWidgets)
{
    QWidget empty;
    empty.resize(0, 10);
    EXPECT_FALSE(ui::renderWidget(empty, 1));

    QWidget root;
    root.setAttribute(Qt::WA_TranslucentBackground);
    root.resize(40, 40);
    QWidget* half = block(&root, QRect(0, 0, 20, 40), Qt::red);
    auto* effect = new QGraphicsOpacityEffect(half);
    effect->setOpacity(0.5);
    half->setGraphicsEffect(effect);
    const auto picture = ui::renderWidget(root, 1);
    ASSERT_TRUE(picture);
    const auto faded = pixelAt(*picture, 1, 10, 20);
    EXPECT_NEAR(faded[3], 128, 3);
    EXPECT_GT(faded[2], 240) << "colour stays unpremultiplied";
    EXPECT_EQ(pixelAt(*picture, 1, 30, 20)[3], 0);
}

}  // namespace
