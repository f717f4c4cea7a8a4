// A frame through a mini window: handed to its content view and painted there (backdrop
// and picture), next to the two scaled draws that are the least this can cost.
#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "panels/PanelContentView.h"
#include "platform/dispatch/ManualScheduler.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr int frameWidth = 3024;
constexpr int frameHeight = 1964;
const QRectF panelBounds(0, 0, 342, 214);

struct PanelEnvironment {
    PanelEnvironment()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "glimra-panel-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        ::setenv("XDG_DATA_HOME", pattern.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
        Diag::resetLocation();
        dispatch::install(scheduler);
        static int argc = 1;
        static char name[] = "glimra_bench";
        static char* argv[] = {name, nullptr};
        if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        if (!QApplication::instance()) new QApplication(argc, argv);
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

QImage panelCanvas()
{
    QImage canvas(684, 428, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2);
    canvas.fill(Qt::transparent);
    return canvas;
}

void BM_PanelFrame(benchmark::State& state)
{
    PanelEnvironment environment;
    PanelContentView view(core::Rect(0, 0, 342, 214));
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

}  // namespace
