#include "capture/MirrorView.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>

namespace {

QApplication& application()
{
    static int argc = 1;
    static char name[] = "glimra_capture_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// A frame whose top-left quarter is blue and the rest red (BGRA bytes).
desktop::PixelBufferRef quarters(int width, int height)
{
    auto buffer = std::make_shared<desktop::PixelBuffer>(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = buffer->row(y) + 4 * x;
            const bool blue = x < width / 2 && y < height / 2;
            pixel[0] = blue ? 255 : 0;
            pixel[2] = blue ? 0 : 255;
            pixel[3] = 255;
        }
    }
    return buffer;
}

class MirrorViewTest : public testsupport::DiagTest {
protected:
    void SetUp() override
    {
        application();
        testsupport::DiagTest::SetUp();
    }

    QImage paint(const MirrorView& view)
    {
        QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        view.paint(painter);
        return canvas;
    }
};

}  // namespace

TEST_F(MirrorViewTest, FitsThePictureWithClearBarsAndRoundedCorners)
{
    MirrorView view(true, false);
    view.resize(100, 100);
    view.display(quarters(200, 100));
    const QImage picture = paint(view);
    EXPECT_EQ(qAlpha(picture.pixel(50, 10)), 0);       // the bar above the picture
    EXPECT_EQ(picture.pixel(75, 60), qRgb(255, 0, 0));  // inside the picture
    EXPECT_EQ(picture.pixel(20, 30), qRgb(0, 0, 255));

    view.resize(100, 50);
    const QImage filledCorner = paint(view);
    EXPECT_EQ(qAlpha(filledCorner.pixel(0, 0)), 0);  // cut by the rounded corner
    EXPECT_EQ(qAlpha(filledCorner.pixel(1, 1)), 0);
    EXPECT_EQ(filledCorner.pixel(10, 10), qRgb(0, 0, 255));
    EXPECT_TRUE(view.testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(MirrorViewTest, TheRegionIsMeasuredFromTheTopLeft)
{
    MirrorView view(true, false);
    view.resize(100, 100);
    view.display(quarters(200, 200));
    view.setContentsRegion({0, 0, 0.5, 0.5});
    EXPECT_EQ(paint(view).pixel(50, 50), qRgb(0, 0, 255));
    view.setContentsRegion({0.5, 0.5, 0.5, 0.5});
    EXPECT_EQ(paint(view).pixel(50, 50), qRgb(255, 0, 0));
    EXPECT_EQ(linesWith("mirror contentsRect → (0.50, 0.50, 0.50, 0.50) view=100x100").size(), 1u);
}

TEST_F(MirrorViewTest, TheBackdropFillsDimmedAndAnOpaqueViewHasBlackBars)
{
    MirrorView backdrop(true, true);
    backdrop.resize(100, 50);
    backdrop.display(quarters(100, 100));
    const QImage dimmed = paint(backdrop);
    // Filled: no bars; the picture's middle band shows, at 0.35 opacity.
    EXPECT_NEAR(qAlpha(dimmed.pixel(50, 2)), 89, 2);
    EXPECT_NEAR(qAlpha(dimmed.pixel(50, 47)), 89, 2);

    MirrorView opaque(false, false);
    opaque.resize(100, 100);
    opaque.display(quarters(200, 100));
    EXPECT_EQ(paint(opaque).pixel(50, 10), qRgb(0, 0, 0));
}

// A window without alpha (on a 16-bit screen) keeps what earlier paints left: the hint
// shown over the backdrop is drawn on a cleared backdrop each time, so the text it
// replaced never shows through the new one.
TEST_F(MirrorViewTest, AHintNeverShowsThroughTheNextOnAWindowWithoutAlpha)
{
    QWidget window;
    window.setAttribute(Qt::WA_TranslucentBackground);
    window.resize(240, 120);
    MirrorView backdrop(true, true, &window);
    backdrop.setGeometry(window.rect());
    QLabel hint(&window);
    hint.setStyleSheet("color: white; background: rgba(0, 0, 0, 153);");
    hint.setAlignment(Qt::AlignCenter);
    hint.setGeometry(20, 40, 200, 40);

    const auto render = [&](QImage& canvas, const QString& text) {
        hint.setText(text);
        window.render(&canvas);
    };
    QImage shown(window.size(), QImage::Format_RGB16);
    shown.fill(Qt::black);
    render(shown, "Full-screen windows cannot be previewed");
    render(shown, "Receiving the stream");
    QImage fresh(window.size(), QImage::Format_RGB16);
    fresh.fill(Qt::black);
    render(fresh, "Receiving the stream");
    EXPECT_EQ(shown, fresh) << "the earlier hint shows through";
}
