#include "capture/MirrorView.h"
#include "capture/CountedView.h"

#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QScreen>

namespace {

// What the view asked of the desktop's picture, and what it answers.
struct PictureLog {
    int shown = 0;
    int hidden = 0;
    QRect target;
    QRegion shape;
    QRgb firstPixel = 0;
    QRgb middlePixel = 0;
    ui::NativePicture::Shown answer = ui::NativePicture::Shown::now;
};

class RecordedPicture : public ui::NativePicture {
public:
    explicit RecordedPicture(std::shared_ptr<PictureLog> log) : log_(std::move(log)) {}

    Shown show(const ui::ShownPixels& pixels, const QRect& target, const QRegion& shape) override
    {
        ++log_->shown;
        log_->target = target;
        log_->shape = shape;
        const auto* first = pixels.pixels + pixels.source.y() * pixels.bytesPerRow + pixels.source.x() * 4;
        log_->firstPixel = *reinterpret_cast<const QRgb*>(first) | (pixels.alphaSet ? 0 : 0xFF000000u);
        const QPoint mid = pixels.source.center();
        log_->middlePixel = reinterpret_cast<const QRgb*>(pixels.pixels + mid.y() * pixels.bytesPerRow)[mid.x()];
        return log_->answer;
    }
    void hide() override { ++log_->hidden; }

private:
    const std::shared_ptr<PictureLog> log_;
};

// An opaque frame of one colour, its fourth bytes 0xFF.
std::shared_ptr<desktop::PixelBuffer> plain(int width, int height, QRgb colour, bool opaque = true)
{
    auto buffer = std::make_shared<desktop::PixelBuffer>(width, height);
    buffer->opaque = opaque;
    buffer->fourthByteOpaque = opaque;
    for (int y = 0; y < height; ++y) {
        auto* pixels = reinterpret_cast<QRgb*>(buffer->row(y));
        std::fill(pixels, pixels + width, colour);
    }
    return buffer;
}

// A window with the view over all of it and a label stacked over the view, as chrome is.
class MirrorViewPresentTest : public testsupport::DiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::DiagTest::SetUp();
        ui::installNativePictures(
            [log = log](QWidget&, ui::PictureLayer) { return std::make_unique<RecordedPicture>(log); });
        window = std::make_unique<QWidget>();
        window->setAttribute(Qt::WA_TranslucentBackground);
        window->resize(200, 100);
        view = new testsupport::CountedView(true, false, window.get());
        view->setGeometry(0, 0, 200, 100);
        chrome = new QLabel("chrome", window.get());
        chrome->setGeometry(0, 0, 200, 28);
        chrome->hide();
        window->show();
        settle();
    }
    void TearDown() override
    {
        window.reset();
        ui::installNativePictures({});
        testsupport::DiagTest::TearDown();
    }

    int paintsAfter(const std::function<void()>& step)
    {
        settle();
        const int before = view->paints;
        step();
        settle();
        return view->paints - before;
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    const std::shared_ptr<PictureLog> log = std::make_shared<PictureLog>();
    std::unique_ptr<QWidget> window;
    testsupport::CountedView* view = nullptr;
    QLabel* chrome = nullptr;
};

}  // namespace

TEST_F(MirrorViewPresentTest, AnOpaqueFrameGoesToTheDesktopsPictureWithoutARepaint)
{
    const auto first = plain(200, 100, qRgb(0, 0, 255));
    EXPECT_EQ(paintsAfter([&] { view->display(first); }), 0);
    EXPECT_EQ(log->shown, 1);
    EXPECT_EQ(log->target, QRect(0, 0, 200, 100));
    EXPECT_EQ(log->firstPixel, qRgb(0, 0, 255));
    // Cut by the rounded corners.
    EXPECT_FALSE(log->shape.contains(QPoint(0, 0)));
    EXPECT_TRUE(log->shape.contains(QPoint(100, 50)));

    // The same buffer again shows nothing anew; a new one goes the same way.
    view->display(first);
    EXPECT_EQ(log->shown, 1);
    EXPECT_EQ(paintsAfter([&] { view->display(plain(200, 100, qRgb(255, 0, 0))); }), 0);
    EXPECT_EQ(log->shown, 2);
    EXPECT_EQ(log->firstPixel, qRgb(255, 0, 0));

    // A frame of another size is scaled to the view first.
    view->display(plain(400, 200, qRgb(0, 255, 0)));
    EXPECT_EQ(log->shown, 3);
    EXPECT_EQ(log->target, QRect(0, 0, 200, 100));
    EXPECT_EQ(log->firstPixel, qRgb(0, 255, 0));
    EXPECT_EQ(log->hidden, 0);
}

TEST_F(MirrorViewPresentTest, ChromeOverThePictureHandsItBackToQtUntilItIsGone)
{
    const auto frame = plain(200, 100, qRgb(0, 0, 255));
    view->display(frame);
    ASSERT_EQ(log->shown, 1);

    EXPECT_GT(paintsAfter([&] { chrome->show(); }), 0);
    EXPECT_EQ(log->hidden, 1);
    view->display(frame);
    EXPECT_EQ(log->shown, 1);

    // Faded out entirely it draws nothing: the picture comes back at the next handover.
    auto* fade = new QGraphicsOpacityEffect(chrome);
    fade->setOpacity(0);
    chrome->setGraphicsEffect(fade);
    view->display(frame);
    EXPECT_EQ(log->shown, 2);
    fade->setOpacity(0.5);
    settle();
    EXPECT_EQ(log->hidden, 2);

    // A faded view is drawn by Qt too.
    chrome->hide();
    auto* own = new QGraphicsOpacityEffect(view);
    own->setOpacity(0.5);
    view->setGraphicsEffect(own);
    view->display(plain(200, 100, qRgb(255, 0, 0)));
    EXPECT_EQ(log->shown, 2);
}

TEST_F(MirrorViewPresentTest, AFrameTheServerCouldNotTakeYetGoesAtTheNextHandover)
{
    view->display(plain(200, 100, qRgb(0, 0, 255)));
    log->answer = ui::NativePicture::Shown::later;
    const auto held = plain(200, 100, qRgb(255, 0, 0));
    view->display(held);
    EXPECT_EQ(log->shown, 2);
    log->answer = ui::NativePicture::Shown::now;
    view->display(held);
    EXPECT_EQ(log->shown, 3);
    EXPECT_EQ(log->firstPixel, qRgb(255, 0, 0));
    view->display(held);
    EXPECT_EQ(log->shown, 3);
}

TEST_F(MirrorViewPresentTest, WhatTheDesktopCannotShowIsPaintedByQt)
{
    // A picture with alpha is blended by Qt.
    EXPECT_GT(paintsAfter([&] { view->display(plain(200, 100, qRgba(0, 0, 128, 128), false)); }), 0);
    EXPECT_EQ(log->shown, 0);

    view->display(plain(200, 100, qRgb(0, 0, 255)));
    ASSERT_EQ(log->shown, 1);
    log->answer = ui::NativePicture::Shown::unavailable;
    EXPECT_GT(paintsAfter([&] { view->display(plain(200, 100, qRgb(255, 0, 0))); }), 0);
    EXPECT_EQ(log->hidden, 1);

    // Hidden, the view's picture goes too.
    log->answer = ui::NativePicture::Shown::now;
    view->display(plain(200, 100, qRgb(0, 255, 0)));
    view->hide();
    EXPECT_EQ(log->hidden, 2);
}

// Where the desktop's pictures no longer reach after a change of shape, the window shows
// what Qt painted there: never an older frame.
TEST_F(MirrorViewPresentTest, APictureOfAnotherShapeLeavesNoOlderFrameBesideIt)
{
    const auto bottomLog = std::make_shared<PictureLog>();
    ui::installNativePictures([this, bottomLog](QWidget&, ui::PictureLayer layer) {
        return std::make_unique<RecordedPicture>(layer == ui::PictureLayer::bottom ? bottomLog : log);
    });
    auto* backdrop = new MirrorView(true, true, window.get());
    backdrop->setGeometry(view->geometry());
    backdrop->lower();
    backdrop->show();
    const auto handOver = [&](ui::NativePicture::Shown answer, int height, QRgb colour) {
        log->answer = bottomLog->answer = answer;
        const auto frame = plain(200, height, colour);
        backdrop->display(frame);
        view->display(frame);
        settle();
        return window->screen()->grabWindow(window->winId()).toImage().pixel(100, 10);
    };
    using enum ui::NativePicture::Shown;
    // Qt paints a blue frame, the desktop's pictures the next; then a wider red one.
    handOver(unavailable, 100, qRgb(0, 0, 255));
    ASSERT_EQ(handOver(now, 100, qRgb(0, 0, 255)), qRgb(0, 0, 255));
    EXPECT_NE(qBlue(handOver(now, 50, qRgb(255, 0, 0))), 255) << "the older frame shows in the band";
    // The server still reads the last picture, of the old shape: Qt paints the new one.
    handOver(later, 100, qRgb(0, 255, 0));
    EXPECT_EQ(log->hidden, 1);

    // Letterboxed, the backdrop writes only its bars: beneath the picture its memory keeps
    // what Qt painted for a frame with alpha, as clearing it cost more than the bars.
    view->hide();
    backdrop->display(plain(200, 100, qRgb(0, 0, 255), false));
    settle();
    backdrop->repaint();  // the first paint of a frame with alpha draws it straight
    backdrop->display(plain(200, 50, qRgb(255, 0, 0)));
    EXPECT_NE(qAlpha(bottomLog->middlePixel), 0);
}
