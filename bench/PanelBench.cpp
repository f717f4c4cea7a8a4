// A frame through a mini window: handed to its content view and painted there (backdrop
// and picture, and the hover preview when it is up), next to the scaled draws that are
// the least this can cost.
#include "BenchFolder.h"
#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "panels/views/PanelContentView.h"
#include "panels/views/PreviewContentView.h"
#include "panels/views/PreviewPanel.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWorld.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cstdlib>

namespace {

constexpr int frameWidth = 3024;
constexpr int frameHeight = 1964;
const QRectF panelBounds(0, 0, 342, 214);
// The default preview of a 16:10 source on a 1440 × 900 visible frame.
const QRectF previewBounds(0, 0, 792, 495);

struct PanelEnvironment {
    PanelEnvironment()
    {
        ::setenv("XDG_DATA_HOME", benchFolder().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", benchFolder().c_str(), 1);
        Diag::resetLocation();
        dispatch::install(scheduler);
    }
    ~PanelEnvironment() { dispatch::install(nullptr); }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
};

desktop::PixelBufferRef panelFrame()
{
    auto buffer = std::make_shared<desktop::PixelBuffer>(frameWidth, frameHeight);
    for (std::size_t i = 0; i < buffer->bytes.size(); ++i) buffer->bytes[i] = static_cast<std::uint8_t>(i * 31);
    return buffer;
}

QImage canvasOf(const QRectF& bounds)
{
    QImage canvas(2 * bounds.width(), 2 * bounds.height(), QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2);
    canvas.fill(Qt::transparent);
    return canvas;
}

QImage panelCanvas() { return canvasOf(panelBounds); }

void BM_PanelFrame(benchmark::State& state)
{
    PanelEnvironment environment;
    views::PanelContentView view(core::Rect(0, 0, 342, 214));
    const desktop::PixelBufferRef frame = panelFrame();
    QImage canvas = panelCanvas();
    for (auto _ : state) {
        view.apply(frame);
        view.render(&canvas);
    }
}
BENCHMARK(BM_PanelFrame)->Unit(benchmark::kMicrosecond);

// The backdrop's filled draw and the picture's fitted one, without any view.
void BM_TwoScaledDraws(benchmark::State& state)
{
    PanelEnvironment environment;
    const desktop::PixelBufferRef frame = panelFrame();
    QImage canvas = panelCanvas();
    for (auto _ : state) {
        const QImage image(frame->bytes.data(), frame->width, frame->height, frame->bytesPerRow,
                           QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setOpacity(MirrorView::backdropOpacity);
        painter.drawImage(MirrorView::pictureRect(image.size(), panelBounds, true), image);
        painter.setOpacity(1);
        painter.drawImage(MirrorView::pictureRect(image.size(), panelBounds, false), image);
    }
}
BENCHMARK(BM_TwoScaledDraws)->Unit(benchmark::kMicrosecond);

// The preview is an own window: it needs a desktop to be listed with.
struct PreviewEnvironment : PanelEnvironment {
    PreviewEnvironment() { desktop::install(sim::makeSimDesktop(std::make_shared<sim::SimWorld>())); }
    ~PreviewEnvironment() { desktop::install(nullptr); }
};

void BM_PanelFramePreview(benchmark::State& state)
{
    PreviewEnvironment environment;
    views::PanelContentView view(core::Rect(0, 0, 342, 214));
    views::PreviewPanel previewPanel;
    previewPanel.setFrame({0, 0, previewBounds.width(), previewBounds.height()});
    views::PreviewContentView& preview = *previewPanel.content;
    preview.resize(previewBounds.size().toSize());
    const desktop::PixelBufferRef frame = panelFrame();
    QImage canvas = panelCanvas();
    QImage previewCanvas = canvasOf(previewBounds);
    // The shown preview gets each frame the mini window gets.
    for (auto _ : state) {
        view.apply(frame);
        previewPanel.displayCurrent(frame);
        view.render(&canvas);
        preview.render(&previewCanvas);
    }
}
BENCHMARK(BM_PanelFramePreview)->Unit(benchmark::kMicrosecond);

// The preview's fitted draw alone, without any view.
void BM_ScaledDrawPreview(benchmark::State& state)
{
    PanelEnvironment environment;
    const desktop::PixelBufferRef frame = panelFrame();
    QImage canvas = canvasOf(previewBounds);
    for (auto _ : state) {
        const QImage image(frame->bytes.data(), frame->width, frame->height, frame->bytesPerRow,
                           QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(MirrorView::pictureRect(image.size(), previewBounds, false), image);
    }
}
BENCHMARK(BM_ScaledDrawPreview)->Unit(benchmark::kMicrosecond);

}  // namespace
