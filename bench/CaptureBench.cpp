// The capture hot paths: a frame through the sample handler, a new frame painted by a
// mirror view and a repaint of the same one, and the occlusion probe over a full window
// list, each next to the cheapest way to do the same work.
#include "BenchFolder.h"
#include "capture/FrameIntake.h"
#include "capture/FrameMailbox.h"
#include "capture/MirrorView.h"
#include "capture/OcclusionProbe.h"
#include "foundation/Diag.h"
#include "platform/dispatch/ManualScheduler.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

// A 1512×982-point window at scale 2.
constexpr int frameWidth = 3024;
constexpr int frameHeight = 1964;

struct Environment {
    Environment()
    {
        ::setenv("XDG_DATA_HOME", benchFolder().c_str(), 1);
        Diag::resetLocation();
        dispatch::install(scheduler);
    }
    ~Environment() { dispatch::install(nullptr); }

    std::shared_ptr<dispatch::ManualScheduler> scheduler = std::make_shared<dispatch::ManualScheduler>();
};

// A window without alpha has padding for its pixels' fourth bytes.
desktop::PixelBufferRef windowFrame(bool opaque = false)
{
    auto buffer = std::make_shared<desktop::PixelBuffer>(frameWidth, frameHeight);
    buffer->opaque = opaque;
    for (std::size_t i = 0; i < buffer->bytes.size(); ++i) buffer->bytes[i] = static_cast<std::uint8_t>(i * 31);
    return buffer;
}

struct IgnoringHost : capture::FrameIntake::Host {
    void captureDied() override {}
    void captureRecovered() override {}
    void frameWidthChanged() override {}
    void contentChanged() override {}
    void contentStale() override {}
};

// Every frame is sampled (in use one is sampled each 0.5 s) and handed to the main queue,
// which runs between frames outside the timing.
void BM_FrameIntake(benchmark::State& state)
{
    Environment environment;
    IgnoringHost host;
    capture::FrameIntake intake(host);
    capture::FrameMailbox mailbox(dispatch::main());
    const capture::FrameMailbox::Deliver deliver = [](desktop::PixelBufferRef frame) { benchmark::DoNotOptimize(frame); };
    desktop::Frame frame;
    frame.status = desktop::FrameStatus::complete;
    frame.image = windowFrame();
    double now = 0;
    for (auto _ : state) {
        now += 0.5;
        if (intake.take(frame, now, {0, 0, 1512, 982}, {1512, 982})) mailbox.put(frame.image, deliver);
        state.PauseTiming();
        environment.scheduler->runUntilIdle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FrameIntake);

// The cheapest hand-off: one shared pointer posted to the main queue.
void BM_PointerHandoff(benchmark::State& state)
{
    Environment environment;
    const desktop::PixelBufferRef frame = windowFrame();
    for (auto _ : state) {
        dispatch::main().async([frame] { benchmark::DoNotOptimize(frame); });
        state.PauseTiming();
        environment.scheduler->runUntilIdle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PointerHandoff);

// A 342×214-point view at scale 2.
QImage viewCanvas()
{
    QImage canvas(684, 428, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2);
    canvas.fill(Qt::transparent);
    return canvas;
}

// A new frame each paint: two frames in turn.
void paintNewFrames(benchmark::State& state, MirrorView& view, const std::array<desktop::PixelBufferRef, 2>& frames)
{
    view.resize(342, 214);
    QImage canvas = viewCanvas();
    int next = 0;
    for (auto _ : state) {
        view.display(frames[next]);
        next = 1 - next;
        QPainter painter(&canvas);
        view.paint(painter);
    }
}

void paintNewWindowFrames(benchmark::State& state, bool opaque)
{
    Environment environment;
    MirrorView view(true, false);
    paintNewFrames(state, view, {windowFrame(opaque), windowFrame(opaque)});
}

void BM_MirrorPaint(benchmark::State& state)
{
    paintNewWindowFrames(state, false);
}
BENCHMARK(BM_MirrorPaint)->Unit(benchmark::kMicrosecond);

// The same for a window without alpha.
void BM_MirrorPaintWithoutAlpha(benchmark::State& state)
{
    paintNewWindowFrames(state, true);
}
BENCHMARK(BM_MirrorPaintWithoutAlpha)->Unit(benchmark::kMicrosecond);

// The dimmed backdrop beside a frame read at the view's size but a pixel narrower, as
// the server's scaling rounds it: a sliver of backdrop on either side.
void BM_BackdropSliverPaint(benchmark::State& state)
{
    Environment environment;
    MirrorView view(true, true);
    const auto frame = [] {
        auto buffer = std::make_shared<desktop::PixelBuffer>(682, 428);
        buffer->opaque = buffer->fourthByteOpaque = true;
        std::fill(buffer->bytes.begin(), buffer->bytes.end(), std::uint8_t{0xFF});
        return buffer;
    };
    paintNewFrames(state, view, {frame(), frame()});
}
BENCHMARK(BM_BackdropSliverPaint)->Unit(benchmark::kMicrosecond);

// A repaint without a new frame (the chrome fading over the picture).
void BM_MirrorRepaint(benchmark::State& state)
{
    Environment environment;
    MirrorView view(true, false);
    view.resize(342, 214);
    view.display(windowFrame());
    QImage canvas = viewCanvas();
    for (auto _ : state) {
        QPainter painter(&canvas);
        view.paint(painter);
    }
}
BENCHMARK(BM_MirrorRepaint)->Unit(benchmark::kMicrosecond);

// The same picture drawn by one scaled draw, without the view.
void BM_ScaledDraw(benchmark::State& state)
{
    const desktop::PixelBufferRef frame = windowFrame();
    QImage canvas = viewCanvas();
    for (auto _ : state) {
        const QImage image(frame->bytes.data(), frame->width, frame->height, frame->bytesPerRow,
                           QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(MirrorView::pictureRect(image.size(), QRectF(0, 0, 342, 214), false), image);
    }
}
BENCHMARK(BM_ScaledDraw)->Unit(benchmark::kMicrosecond);

// The source at the back of 500 windows, none of which covers it: the whole walk.
void BM_OcclusionProbe500(benchmark::State& state)
{
    OcclusionProbe::WindowList list;
    for (desktop::WindowID id = 1; id <= 500; ++id) {
        desktop::WindowInfo entry;
        entry.number = id;
        entry.ownerPid = static_cast<desktop::Pid>(100 + id % 17);
        entry.ownerName = "App";
        entry.layer = id % 50 == 0 ? 3 : 0;
        entry.bounds = core::Rect((id * 37) % 1200, (id * 53) % 700, 300 + id % 200, 200 + id % 150);
        list.push_back(entry);
    }
    for (auto _ : state) benchmark::DoNotOptimize(OcclusionProbe::occluderInfo(500, std::nullopt, {}, {}, &list));
}
BENCHMARK(BM_OcclusionProbe500);

}  // namespace
