// A guide scene's frame (every track evaluated, the tree painted at scale 2), next to the
// same tree with its tracks removed, which is the least a frame has to do.
#include "BenchFolder.h"
#include "foundation/Diag.h"
#include "platform/dispatch/ManualScheduler.h"
#include "platform/ui/Layer.h"
#include "platform/ui/LayerPainter.h"
#include "settings/guide/GuideScenes.h"
#include "settings/guide/SceneToolkit.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <memory>

namespace {

struct GuideEnvironment {
    GuideEnvironment()
    {
        ::setenv("XDG_DATA_HOME", benchFolder().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", benchFolder().c_str(), 1);
        Diag::resetLocation();
        dispatch::install(scheduler);
    }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
};

std::unique_ptr<ui::Layer> pinPreviewScene()
{
    static GuideEnvironment environment;
    auto canvas = std::make_unique<ui::Layer>();
    canvas->setFrame({0, 0, guide::canvasWidth, guide::canvasHeight});
    guide::demoPinPreview(*canvas);
    return canvas;
}

void removeTracks(ui::Layer& layer)
{
    layer.removeAllAnimations();
    for (const auto& sublayer : layer.sublayers()) removeTracks(*sublayer);
}

void paintFrames(benchmark::State& state, const ui::Layer& canvas)
{
    QImage image(1480, 960, QImage::Format_ARGB32_Premultiplied);
    double t = 0;
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.scale(2, 2);
        ui::paintLayer(painter, canvas, t, guide::canvasHeight);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
        // A 60 Hz tick; the whole loop is covered within a thousand iterations.
        t += 1.0 / 60;
    }
}

void BM_GuideSceneFrame(benchmark::State& state)
{
    const auto canvas = pinPreviewScene();
    paintFrames(state, *canvas);
}
BENCHMARK(BM_GuideSceneFrame)->Unit(benchmark::kMillisecond);

void BM_GuideSceneStatic(benchmark::State& state)
{
    const auto canvas = pinPreviewScene();
    removeTracks(*canvas);
    paintFrames(state, *canvas);
}
BENCHMARK(BM_GuideSceneStatic)->Unit(benchmark::kMillisecond);

}  // namespace
