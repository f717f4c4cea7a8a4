// A changed frame of a real X11 window carried to the screen: through the stream into a
// mini window's backdrop and mirror, next to the least a reader must do (wait for Damage,
// one shared-memory read, one scaled draw), and what an unchanged frame costs. The loops
// include the client's repaint and run in real time, as the X server does much of the
// work; the CPU figure is the whole process's, the thread pools' drawing included.
#include "X11BenchDisplay.h"

#include "capture/MirrorView.h"
#include "panels/rules/PanelGeometry.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/dispatch/Timer.h"
#include "platform/x11/X11CaptureStream.h"
#include "platform/x11/X11DamageWatch.h"
#include "platform/x11/X11ShmPool.h"
#include "platform/x11/X11WindowPixmap.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <condition_variable>
#include <cstdlib>

namespace {

constexpr int clientWidth = 1920;
constexpr int clientHeight = 1080;

// The whole screen at scale 1.
class ScreenDisplay : public desktop::Displays {
public:
    std::vector<desktop::DisplayInfo> activeDisplays() override { return {*display(1)}; }
    std::optional<desktop::DisplayInfo> display(desktop::DisplayID) override
    {
        desktop::DisplayInfo info;
        info.id = 1;
        info.frame = info.visibleFrame = core::Rect(0, 0, clientWidth, clientHeight);
        info.scale = 1;
        return info;
    }
    std::optional<desktop::DisplayID> mainDisplayID() override { return 1; }
    std::optional<desktop::DisplayMode> currentMode(desktop::DisplayID) override { return desktop::DisplayMode{}; }
    std::optional<desktop::DisplayID> displayAt(core::Point) override { return 1; }
    int commitConfiguration(const std::vector<desktop::OriginChange>&) override { return 0; }
    desktop::Token addConfigurationObserver(std::function<void()>) override { return 1; }
    void removeConfigurationObserver(desktop::Token) override {}
};

// A full-screen window of the benchmark's own (no window manager frame), repainted with
// a new fill on every call through a client connection of its own.
class RepaintingClient {
public:
    RepaintingClient() : window_(client_.mappedWindow(0, 0, clientWidth, clientHeight, true))
    {
        gc_ = xcb_generate_id(client_.xcb());
        xcb_create_gc(client_.xcb(), gc_, window_, 0, nullptr);
        client_.sync();
    }

    xcb_window_t window() const { return window_; }

    // The fill's colour (0xRRGGBB) as the window shows it.
    std::uint32_t repaint()
    {
        colour_ = (colour_ + 0x010305) & 0xFFFFFF;
        xcb_change_gc(client_.xcb(), gc_, XCB_GC_FOREGROUND, &colour_);
        const xcb_rectangle_t whole{0, 0, clientWidth, clientHeight};
        xcb_poly_fill_rectangle(client_.xcb(), window_, gc_, 1, &whole);
        xcb_flush(client_.xcb());
        return colour_;
    }

private:
    BenchClient client_;
    const xcb_window_t window_;
    xcb_gcontext_t gc_ = 0;
    std::uint32_t colour_ = 0x203040;
};

bool shows(const desktop::PixelBuffer& picture, std::uint32_t colour)
{
    const auto* pixel = reinterpret_cast<const std::uint32_t*>(picture.row(picture.height / 2)) + picture.width / 2;
    return (*pixel & 0xFFFFFF) == colour;
}

// A mini window of the default size on this screen, for a 16:9 source.
QImage miniWindowCanvas()
{
    const auto size = panels::pipSize(core::Rect(0, 0, clientWidth, clientHeight), 1.2, 16.0 / 9);
    QImage canvas(static_cast<int>(size.width), static_cast<int>(size.height), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    return canvas;
}

// The pictures of a mini window: the dimmed backdrop, the mirror over it.
class MiniWindowPictures : public QWidget {
public:
    explicit MiniWindowPictures(QSize size) : backdrop(true, true, this), mirror(true, false, this)
    {
        resize(size);
        backdrop.setGeometry(rect());
        mirror.setGeometry(rect());
    }
    void display(const desktop::PixelBufferRef& frame)
    {
        backdrop.display(frame);
        mirror.display(frame);
    }
    void paint(QImage& canvas) const
    {
        QPainter painter(&canvas);
        backdrop.paint(painter);
        mirror.paint(painter);
    }
    MirrorView backdrop;
    MirrorView mirror;
};

// Counts the paints of the widgets it watches.
class PaintCounter : public QObject {
public:
    long paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The newest frame whose picture is new, handed from the output queue.
class NewestPicture {
public:
    void offer(const desktop::Frame& frame)
    {
        std::lock_guard lock(mutex_);
        if (!frame.image || frame.image == latest_) return;
        latest_ = frame.image;
        changed_.notify_all();
    }
    desktop::PixelBufferRef latest()
    {
        std::lock_guard lock(mutex_);
        return latest_;
    }
    // Waits for a picture showing the colour.
    desktop::PixelBufferRef waitFor(std::uint32_t colour)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return latest_ && shows(*latest_, colour); });
        return latest_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    desktop::PixelBufferRef latest_;
};

// Counts what a queue hands over, for a thread that waits on each.
class Handovers {
public:
    void arrive()
    {
        std::lock_guard lock(mutex_);
        ++count_;
        arrived_.notify_all();
    }
    // Waits for the next one after those already seen.
    void waitForNext()
    {
        std::unique_lock lock(mutex_);
        arrived_.wait(lock, [&] { return count_ > seen_; });
        seen_ = count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    long count_ = 0;
    long seen_ = 0;
};

// The client's window captured at its size as a mini window's stream captures it.
class WindowStream {
public:
    WindowStream(std::shared_ptr<x11::Connection> connection, xcb_window_t window, double frameInterval)
    {
        desktop::ShareableWindow shareable;
        shareable.windowID = window;
        desktop::StreamConfiguration configuration;
        configuration.width = clientWidth;
        configuration.height = clientHeight;
        configuration.minimumFrameInterval = frameInterval;
        stream_ = std::make_shared<x11::X11CaptureStream>(
            x11::CaptureServices{std::move(connection), nullptr, std::make_shared<ScreenDisplay>()},
            desktop::ContentFilter::desktopIndependentWindow(shareable), configuration, nullptr);
        stream_->addOutput(output_, [this](const desktop::Frame& frame) {
            newest.offer(frame);
            handovers.arrive();
        });
        stream_->startCapture({});
    }
    ~WindowStream()
    {
        stream_->removeOutput();
        stream_->stopCapture({});
        // A frame handed over before the output went may still be on its way to this.
        output_.sync([] {});
    }
    WindowStream(const WindowStream&) = delete;
    WindowStream& operator=(const WindowStream&) = delete;

    long reads() const { return stream_->reads(); }
    // As the mini window tells its stream the size it shows the picture at.
    void showAt(QSize size) { stream_->setShownSize(size.width(), size.height()); }

    NewestPicture newest;
    Handovers handovers;

private:
    dispatch::Queue output_{"bench.x11-output"};
    std::shared_ptr<x11::X11CaptureStream> stream_;
};

void BM_X11MirrorFrame(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        RepaintingClient client;
        // As fast as the client changes, to see what a frame costs rather than the rate.
        WindowStream stream(openBenchDisplay(), client.window(), 0);
        QImage canvas = miniWindowCanvas();
        MiniWindowPictures pictures(canvas.size());
        stream.showAt(canvas.size());
        stream.newest.waitFor(0);  // the first picture: the black background
        for (auto _ : state) {
            const auto colour = client.repaint();
            pictures.display(stream.newest.waitFor(colour));
            pictures.paint(canvas);
        }
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11MirrorFrame)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// What the main thread does with the frame a still window's stream hands over every
// interval: the mini window on screen takes it and paints nothing.
void BM_X11UnchangedFrame(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        RepaintingClient client;
        WindowStream stream(openBenchDisplay(), client.window(), 1.0 / 30);
        MiniWindowPictures pictures(miniWindowCanvas().size());
        PaintCounter counter;
        pictures.backdrop.installEventFilter(&counter);
        pictures.mirror.installEventFilter(&counter);
        pictures.show();
        pictures.display(stream.newest.waitFor(client.repaint()));
        for (int turn = 0; turn < 100 && counter.paints == 0; ++turn) QCoreApplication::processEvents();
        const long painted = counter.paints;
        if (painted == 0) state.SkipWithError("the mini window never painted");
        for (auto _ : state) {
            pictures.display(stream.newest.latest());
            QCoreApplication::processEvents();
        }
        if (counter.paints != painted) state.SkipWithError("an unchanged frame was painted");
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11UnchangedFrame)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// A still window's frame from the stream's tick to the main thread's apply, at the most
// ticks a second; the time per iteration is the tick interval, the CPU time what each
// handover costs. BM_X11TickFloor is the least any tick costs: a timer's post.
void BM_X11UnchangedHandover(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        RepaintingClient client;
        WindowStream stream(openBenchDisplay(), client.window(), 1.0 / 60);
        MiniWindowPictures pictures(miniWindowCanvas().size());
        pictures.display(stream.newest.waitFor(client.repaint()));
        QCoreApplication::processEvents();
        for (auto _ : state) {
            stream.handovers.waitForNext();
            pictures.display(stream.newest.latest());
            QCoreApplication::processEvents();
        }
        if (stream.reads() > 2) state.SkipWithError("an unchanged window was read again");
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11UnchangedHandover)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void BM_X11TickFloor(benchmark::State& state)
{
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    {
        Handovers handovers;
        const dispatch::Timer timer(dispatch::Queue("bench.x11-output"), 1.0 / 60, [&] { handovers.arrive(); });
        for (auto _ : state) {
            handovers.waitForNext();
            QCoreApplication::processEvents();
        }
    }
    dispatch::install(nullptr);
}
BENCHMARK(BM_X11TickFloor)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void BM_X11BareRead(benchmark::State& state)
{
    const auto connection = openBenchDisplay();
    RepaintingClient client;
    x11::WindowPixmap pixmap(*connection, client.window());
    std::mutex mutex;
    std::condition_variable damaged;
    bool pending = false;
    x11::DamageWatch damage(connection, client.window(), [&] {
        std::lock_guard lock(mutex);
        pending = true;
        damaged.notify_all();
    });
    const auto pool = std::make_shared<x11::ShmPool>(connection);
    const auto segment = pool->take(std::size_t(clientWidth) * clientHeight * 4);
    if (!segment || !pixmap.name()) std::abort();
    QImage canvas = miniWindowCanvas();
    damage.takeChange();
    for (auto _ : state) {
        const auto colour = client.repaint();
        // A report may belong to the previous repaint: read until the picture shows this one.
        for (bool shown = false; !shown;) {
            {
                std::unique_lock lock(mutex);
                damaged.wait_for(lock, std::chrono::milliseconds(100), [&] { return pending; });
                pending = false;
            }
            damage.takeChange();
            const auto cookie = xcb_shm_get_image(connection->xcb(), pixmap.pixmap()->id, 0, 0, clientWidth,
                                                  clientHeight, ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id, 0);
            std::free(xcb_shm_get_image_reply(connection->xcb(), cookie, nullptr));
            const auto* centre = reinterpret_cast<const std::uint32_t*>(segment->memory) +
                                 (clientHeight / 2) * clientWidth + clientWidth / 2;
            shown = (*centre & 0xFFFFFF) == colour;
        }
        const QImage image(segment->memory, clientWidth, clientHeight, clientWidth * 4, QImage::Format_RGB32);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(MirrorView::pictureRect(image.size(), QRectF(canvas.rect()), false), image);
    }
}
BENCHMARK(BM_X11BareRead)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
