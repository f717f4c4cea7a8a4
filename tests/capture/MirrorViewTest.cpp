#include "capture/MirrorView.h"
#include "capture/CountedView.h"

#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QWindow>

#include <cstring>

namespace {

// A frame whose top-left quarter is blue and the rest red (BGRA bytes). An opaque one
// has padding for its fourth bytes, as a window without alpha reads: zero here.
std::shared_ptr<desktop::PixelBuffer> quarters(int width, int height, bool opaque = false)
{
    auto buffer = std::make_shared<desktop::PixelBuffer>(width, height);
    buffer->opaque = opaque;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = buffer->row(y) + 4 * x;
            const bool blue = x < width / 2 && y < height / 2;
            pixel[0] = blue ? 255 : 0;
            pixel[2] = blue ? 0 : 255;
            pixel[3] = opaque ? 0 : 255;
        }
    }
    return buffer;
}

void fill(desktop::PixelBuffer& buffer, QRgb colour)
{
    for (int y = 0; y < buffer.height; ++y) {
        auto* pixels = reinterpret_cast<QRgb*>(buffer.row(y));
        std::fill(pixels, pixels + buffer.width, colour);
    }
}

class MirrorViewTest : public testsupport::DiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
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

    // The backdrop, then the mirror over it, at the given device pixel ratio.
    QImage paintBoth(const MirrorView& backdrop, const MirrorView& mirror, double ratio)
    {
        QImage canvas(backdrop.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(ratio);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        backdrop.paint(painter);
        mirror.paint(painter);
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
    EXPECT_EQ(qAlpha(picture.pixel(50, 10)), 0);        // the bar above the picture
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

// A still source hands over the same frame every interval: it repaints nothing. A new
// frame is scaled once, and a repaint without a new frame (the chrome fading over it)
// draws that picture again rather than scaling the frame's pixels anew.
TEST_F(MirrorViewTest, ANewFrameIsScaledOnceAndTheSameFramePaintsNothing)
{
    QWidget window;
    window.resize(100, 100);
    testsupport::CountedView view(true, false, &window);
    view.setGeometry(window.rect());
    window.show();
    const auto frame = quarters(200, 200, true);
    view.display(frame);
    for (int turn = 0; turn < 100 && view.paints == 0; ++turn)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_GT(view.paints, 0);
    const int painted = view.paints;
    for (int i = 0; i < 5; ++i) {
        view.display(frame);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(view.paints, painted);

    fill(*frame, qRgb(0, 255, 0));
    EXPECT_EQ(paint(view).pixel(75, 75), qRgb(255, 0, 0)) << "the frame was scaled again";
    view.resize(80, 80);
    EXPECT_EQ(paint(view).pixel(60, 60), qRgb(0, 255, 0)) << "a new size scales the frame again";
    view.display(quarters(200, 200, true));
    EXPECT_EQ(paint(view).pixel(60, 60), qRgb(255, 0, 0));
}

// A new frame with alpha is drawn straight from its pixels; painted again, from its
// picture: both come out the same pixels, at any pixel ratio and place in the window, for
// the mirror, its backdrop and a part of the frame. So do the paints of a frame without
// alpha (its fourth bytes padding, or opaque), from its picture and a copy of it.
TEST_F(MirrorViewTest, ANewFrameDrawnStraightAndItsRepaintShowTheSamePixels)
{
    enum class Kind { alpha, padded, opaque };
    const auto frameOf = [](Kind kind) {
        auto frame = std::make_shared<desktop::PixelBuffer>(301, 187);
        frame->opaque = kind != Kind::alpha;
        frame->fourthByteOpaque = kind == Kind::opaque;
        for (int y = 0; y < frame->height; ++y) {
            auto* pixels = reinterpret_cast<QRgb*>(frame->row(y));
            for (int x = 0; x < frame->width; ++x) {
                const int fourth = kind == Kind::alpha ? 128 + (x * 7 + y * 3) % 128
                                   : kind == Kind::padded ? (x * y) % 256
                                                          : 255;
                const QRgb colour = qRgba((x * 37) % 256, (y * 53) % 256, (x * y) % 256, fourth);
                pixels[x] = kind == Kind::alpha ? qPremultiply(colour) : colour;
            }
        }
        return frame;
    };
    for (const Kind kind : {Kind::alpha, Kind::padded, Kind::opaque}) {
        const auto frame = frameOf(kind);
        for (const double ratio : {1.0, 1.5, 2.0}) {
            for (const bool fills : {false, true}) {
                for (const core::Rect& region : {core::Rect(0, 0, 1, 1), core::Rect(0.1, 0.2, 0.5, 0.7)}) {
                    SCOPED_TRACE(testing::Message() << static_cast<int>(kind) << " " << ratio
                                                    << (fills ? " backdrop " : " mirror ") << region.x());
                    MirrorView view(true, fills);
                    view.resize(97, 71);
                    view.setContentsRegion(region);
                    view.display(frame);
                    const auto painted = [&] {
                        QImage canvas(QSize(140, 110) * ratio, QImage::Format_ARGB32_Premultiplied);
                        canvas.setDevicePixelRatio(ratio);
                        canvas.fill(qRgba(10, 20, 30, 255));
                        QPainter painter(&canvas);
                        painter.translate(13, 21);
                        view.paint(painter);
                        return canvas;
                    };
                    const QImage straight = painted();
                    const QImage pictured = painted();
                    EXPECT_EQ(painted(), pictured);
                    ASSERT_EQ(straight.size(), pictured.size());
                    for (int y = 0; y < straight.height(); ++y)
                        ASSERT_EQ(std::memcmp(straight.constScanLine(y), pictured.constScanLine(y),
                                              static_cast<std::size_t>(straight.bytesPerLine())),
                                  0)
                            << "row " << y;
                }
            }
        }
    }
}

// The dimmed backdrop under an opaque picture shows only in the letterbox bars, never
// beneath the picture nor outside the rounded corners; the picture, scaled once to the
// device pixels and its padding bytes taken for opaque, is right at either pixel ratio.
TEST_F(MirrorViewTest, TheBackdropShowsOnlyWhereTheOpaquePictureLeavesUncovered)
{
    for (const double ratio : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        MirrorView backdrop(true, true);
        MirrorView mirror(true, false);
        backdrop.resize(100, 100);
        mirror.resize(100, 100);
        const auto frame = quarters(200, 100, true);
        backdrop.display(frame);
        mirror.display(frame);

        QImage alone(backdrop.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        alone.setDevicePixelRatio(ratio);
        alone.fill(Qt::transparent);
        {
            QPainter painter(&alone);
            backdrop.paint(painter);
        }
        const auto at = [ratio](const QImage& image, int x, int y) { return image.pixel(x * ratio, y * ratio); };
        EXPECT_NEAR(qAlpha(at(alone, 50, 10)), 89, 2);  // the bar above the picture
        EXPECT_NEAR(qAlpha(at(alone, 50, 90)), 89, 2);  // the bar below it
        EXPECT_EQ(qAlpha(at(alone, 50, 50)), 0);        // beneath the picture
        EXPECT_EQ(qAlpha(at(alone, 0, 0)), 0);          // outside the rounded corner

        const QImage both = paintBoth(backdrop, mirror, ratio);
        EXPECT_NEAR(qAlpha(at(both, 50, 10)), 89, 2);
        EXPECT_EQ(at(both, 75, 60), qRgb(255, 0, 0));
        EXPECT_EQ(at(both, 20, 30), qRgb(0, 0, 255));
        EXPECT_EQ(qAlpha(at(both, 0, 0)), 0);
    }

    // A picture with alpha may let the backdrop through: it is drawn beneath it too.
    MirrorView backdrop(true, true);
    backdrop.resize(100, 100);
    backdrop.display(quarters(200, 100));
    EXPECT_NEAR(qAlpha(paint(backdrop).pixel(50, 50)), 89, 2);
}

// A frame the desktop read at the picture's size, its fourth bytes opaque, is drawn as it
// is: every pixel exact (a one-pixel checkerboard stays one), also where rounding leaves
// the picture a pixel off that size; the backdrop fills only the bars beside it.
TEST_F(MirrorViewTest, AFrameAtThePicturesSizeIsDrawnAsItIs)
{
    const auto checkerboard = [](int width, int height) {
        auto buffer = std::make_shared<desktop::PixelBuffer>(width, height);
        buffer->opaque = buffer->fourthByteOpaque = true;
        for (int y = 0; y < height; ++y) {
            auto* pixels = reinterpret_cast<QRgb*>(buffer->row(y));
            for (int x = 0; x < width; ++x) pixels[x] = (x + y) % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
        }
        return buffer;
    };
    MirrorView backdrop(true, true);
    MirrorView mirror(true, false);
    backdrop.resize(100, 60);
    mirror.resize(100, 60);
    for (const int width : {100, 99}) {
        SCOPED_TRACE(width);
        const auto frame = checkerboard(width, 50);
        backdrop.display(frame);
        mirror.display(frame);
        const QImage both = paintBoth(backdrop, mirror, 1);
        // The picture stands in rows 5 to 54; clear of the rounded corners, it is the frame.
        for (int y = 15; y < 45; ++y)
            for (int x = 10; x < 90; ++x)
                ASSERT_EQ(both.pixel(x, y), reinterpret_cast<const QRgb*>(frame->row(y - 5))[x]) << x << ", " << y;
        EXPECT_NEAR(qAlpha(both.pixel(50, 2)), 89, 2);
        EXPECT_NEAR(qAlpha(both.pixel(50, 57)), 89, 2);
    }
}

// The size a whole frame needs for a view to draw its shown part 1:1: the view's device
// pixels over the region; none while hidden, nor for the backdrop.
TEST_F(MirrorViewTest, TheShownFrameSizeIsTheViewOverTheRegion)
{
    QWidget window;
    window.resize(100, 50);
    MirrorView backdrop(true, true, &window);
    MirrorView mirror(true, false, &window);
    int heard = 0;
    mirror.onShownSizeChange = [&] { ++heard; };
    mirror.setGeometry(window.rect());
    EXPECT_TRUE(mirror.shownFrameSize().isEmpty());
    window.show();
    EXPECT_EQ(mirror.shownFrameSize(), QSize(100, 50) * window.windowHandle()->devicePixelRatio());
    mirror.setContentsRegion({0.25, 0, 0.5, 0.25});
    EXPECT_EQ(mirror.shownFrameSize(), QSize(200, 200) * window.windowHandle()->devicePixelRatio());
    EXPECT_TRUE(backdrop.shownFrameSize().isEmpty());
    const int beforeHide = heard;
    window.hide();
    EXPECT_TRUE(mirror.shownFrameSize().isEmpty());
    EXPECT_GT(heard, beforeHide);
}
