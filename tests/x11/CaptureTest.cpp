#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Capture.h"
#include "platform/x11/X11FrameGeometry.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11PixmapReader.h"
#include "platform/x11/X11WindowImage.h"
#include "platform/x11/X11WindowPixmap.h"

#include "support/X11Client.h"
#include "x11/TestDisplay.h"
#include "x11/X11ServiceFixture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <optional>
#include <tuple>

namespace {

// Bounds a wait only for a failure: the waits end at what they wait for, which a machine
// busy with other processes may take long to bring.
constexpr double patience = 60;

// One 1920 × 1080 display at scale 1, as the test desktop has.
class OneDisplay : public desktop::Displays {
public:
    desktop::DisplayInfo info() const
    {
        desktop::DisplayInfo display;
        display.id = 1;
        display.frame = core::Rect(0, 0, 1920, 1080);
        display.visibleFrame = display.frame;
        display.scale = 1;
        display.isMain = true;
        return display;
    }
    std::vector<desktop::DisplayInfo> activeDisplays() override { return {info()}; }
    std::optional<desktop::DisplayInfo> display(desktop::DisplayID id) override
    {
        return id == 1 ? std::optional(info()) : std::nullopt;
    }
    std::optional<desktop::DisplayID> mainDisplayID() override { return 1; }
    std::optional<desktop::DisplayMode> currentMode(desktop::DisplayID) override { return info().mode; }
    std::optional<desktop::DisplayID> displayAt(core::Point) override { return 1; }
    int commitConfiguration(const std::vector<desktop::OriginChange>&) override { return 0; }
    desktop::Token addConfigurationObserver(std::function<void()>) override { return 1; }
    void removeConfigurationObserver(desktop::Token) override {}
};

// The clients a test started, front to back.
class ListedClients : public desktop::WindowServer {
public:
    std::vector<desktop::WindowID> clients;
    std::atomic<int> listings{0};

    std::optional<std::vector<desktop::WindowInfo>> windowList(desktop::WindowListOption, desktop::WindowID, bool) override
    {
        ++listings;
        std::vector<desktop::WindowInfo> list;
        for (const auto id : clients) {
            desktop::WindowInfo info;
            info.number = id;
            info.ownerPid = 1;
            info.isOnscreen = true;
            list.push_back(info);
        }
        return list;
    }
    desktop::PixelBufferRef windowImage(desktop::WindowID, desktop::ImageResolution) override { return nullptr; }
    desktop::WindowID registerOwnWindow(const desktop::OwnWindowState&, desktop::OwnWindowGrab,
                                        desktop::OwnWindowEventSink, desktop::OwnWindowMoved) override
    {
        return 0;
    }
    void updateOwnWindow(desktop::WindowID, const desktop::OwnWindowState&) override {}
    void orderOwnWindowFront(desktop::WindowID) override {}
    void makeOwnWindowKey(desktop::WindowID) override {}
    void unregisterOwnWindow(desktop::WindowID) override {}
};

long voluntarySwitches()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

// Handovers of several streams counted together, so that a test waits for a number of them
// in one blocking wait: a polling wait would switch more often than the streams.
class HandoverTally {
public:
    void add()
    {
        if (count_.fetch_add(1) + 1 != target_.load()) return;
        std::lock_guard lock(mutex_);
        reached_.notify_all();
    }
    long count() const { return count_; }
    // Whether n more handovers than now came before the bound.
    bool waitForMore(long n)
    {
        std::unique_lock lock(mutex_);
        target_ = count_ + n;
        return reached_.wait_for(lock, std::chrono::duration<double>(patience), [&] { return count_ >= target_; });
    }

private:
    std::atomic<long> count_{0};
    std::atomic<long> target_{-1};
    std::mutex mutex_;
    std::condition_variable reached_;
};

// The frames a stream delivered, in order. A stream may still deliver after the test's
// log is gone (streams end at tear-down), so the frames live in a shared record.
class FrameLog {
public:
    FrameLog() = default;
    explicit FrameLog(std::shared_ptr<HandoverTally> tally) : tally_(std::move(tally)) {}

    std::function<void(const desktop::Frame&)> recorder() const
    {
        return [records = records_, tally = tally_](const desktop::Frame& frame) {
            {
                std::lock_guard lock(records->mutex);
                records->frames.push_back(frame);
            }
            if (tally) tally->add();
        };
    }
    std::size_t count()
    {
        std::lock_guard lock(records_->mutex);
        return records_->frames.size();
    }
    std::optional<desktop::Frame> last()
    {
        std::lock_guard lock(records_->mutex);
        if (records_->frames.empty()) return std::nullopt;
        return records_->frames.back();
    }
    std::vector<desktop::Frame> since(std::size_t index)
    {
        std::lock_guard lock(records_->mutex);
        const auto& frames = records_->frames;
        if (index >= frames.size()) return {};
        return {frames.begin() + static_cast<long>(index), frames.end()};
    }

private:
    struct Records {
        std::mutex mutex;
        std::vector<desktop::Frame> frames;
    };
    std::shared_ptr<Records> records_ = std::make_shared<Records>();
    std::shared_ptr<HandoverTally> tally_;
};

bool samePixels(const desktop::PixelBufferRef& a, const desktop::PixelBufferRef& b)
{
    return a && b && a->width == b->width && a->height == b->height && a->byteCount() == b->byteCount() &&
           std::memcmp(a->data(), b->data(), a->byteCount()) == 0;
}

class X11CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
        connection = testsupport::openTestDisplay();
        ASSERT_TRUE(connection);
        capture = std::make_unique<x11::X11Capture>(connection, windows, std::make_shared<OneDisplay>());
    }

    void TearDown() override
    {
        for (const auto& stream : streams) stream->removeOutput();
        streams.clear();
        capture.reset();
        if (!connection) return;
        for (const auto window : ownWindows) xcb_destroy_window(connection->xcb(), window);
        connection->flush();
    }

    static std::optional<desktop::Error> wait(const std::function<void(desktop::CaptureCompletion)>& call)
    {
        auto done = std::make_shared<std::promise<std::optional<desktop::Error>>>();
        auto answer = done->get_future();
        call([done](std::optional<desktop::Error> error) { done->set_value(error); });
        return answer.get();
    }

    std::shared_ptr<x11::X11CaptureStream> start(const desktop::ContentFilter& filter, FrameLog& log, int width = 4000,
                                                 int height = 4000, std::optional<dispatch::Queue> queue = {})
    {
        desktop::StreamConfiguration configuration;
        configuration.width = width;
        configuration.height = height;
        configuration.minimumFrameInterval = 1.0 / 30;
        auto stream = std::dynamic_pointer_cast<x11::X11CaptureStream>(capture->makeStream(filter, configuration, {}));
        EXPECT_FALSE(stream->addOutput(queue.value_or(output), log.recorder()));
        EXPECT_FALSE(wait([&](auto done) { stream->startCapture(done); }));
        streams.push_back(stream);
        return stream;
    }

    std::shared_ptr<x11::X11CaptureStream> startWindow(unsigned long window, FrameLog& log)
    {
        desktop::ShareableWindow shareable;
        shareable.windowID = static_cast<desktop::WindowID>(window);
        return start(desktop::ContentFilter::desktopIndependentWindow(shareable), log);
    }

    // Waits for a complete frame after the frames seen so far.
    desktop::PixelBufferRef nextPicture(FrameLog& log, double seconds = patience)
    {
        const auto from = log.count();
        desktop::PixelBufferRef picture;
        testsupport::waitUntil(
            [&] {
                for (const auto& frame : log.since(from))
                    if (frame.status == desktop::FrameStatus::complete && frame.image) picture = frame.image;
                return picture != nullptr;
            },
            seconds);
        return picture;
    }

    // Whether the window's frames show new pixels.
    bool picturesChange(FrameLog& log)
    {
        const auto first = nextPicture(log);
        if (!first) return false;
        return testsupport::waitUntil(
            [&] {
                const auto frame = log.last();
                return frame && frame->image && !samePixels(frame->image, first);
            },
            patience);
    }

    // Waits until the log has n frames more than now.
    static bool moreFrames(FrameLog& log, std::size_t n)
    {
        const auto from = log.count();
        return testsupport::waitUntil([&] { return log.count() >= from + n; }, patience);
    }

    // Whether the log gets no frame while a still window's stream hands over n pictures:
    // both streams tick on the same grid, so a stream still delivering would be seen.
    static bool quietOver(FrameLog& log, FrameLog& still, std::size_t n)
    {
        const auto count = log.count();
        return moreFrames(still, n) && log.count() == count;
    }

    // A stream of a small window nobody draws in: its handovers tell that the capture ticks.
    void startStillWindow(FrameLog& log)
    {
        auto* c = connection->xcb();
        const xcb_window_t window = xcb_generate_id(c);
        const std::uint32_t values[] = {connection->screen()->white_pixel, 1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, connection->root(), 1800, 5, 16, 16, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT,
                          values);
        xcb_map_window(c, window);
        connection->flush();
        ownWindows.push_back(window);
        startWindow(window, log);
    }

    std::shared_ptr<x11::Connection> connection;
    std::shared_ptr<ListedClients> windows = std::make_shared<ListedClients>();
    std::unique_ptr<x11::X11Capture> capture;
    dispatch::Queue output{"x11-capture-test.output"};
    std::vector<std::shared_ptr<x11::X11CaptureStream>> streams;
    std::vector<xcb_window_t> ownWindows;
};

}  // namespace

TEST_F(X11CaptureTest, ContentOfAWindowListJustReadIsTheQueriedContentWithoutAnotherListing)
{
    windows->clients = {0x400001, 0x600001};
    using Answer = std::optional<desktop::ShareableContent>;
    using Completion = std::function<void(Answer, std::optional<desktop::Error>)>;
    const auto contentOf = [](const std::function<void(Completion)>& call) {
        auto done = std::make_shared<std::promise<Answer>>();
        auto answer = done->get_future();
        call([done](Answer content, std::optional<desktop::Error>) { done->set_value(std::move(content)); });
        return answer.get();
    };
    const auto summary = [](const Answer& content) {
        std::vector<std::pair<desktop::WindowID, desktop::Pid>> windows;
        for (const auto& window : content->windows)
            windows.emplace_back(window.windowID, window.owningApplication ? window.owningApplication->processID : 0);
        std::vector<desktop::Pid> applications;
        for (const auto& application : content->applications) applications.push_back(application.processID);
        return std::make_tuple(windows, applications, content->displays.size());
    };

    const auto queried = contentOf([&](auto done) { capture->shareableContent(false, true, done); });
    ASSERT_TRUE(queried);
    EXPECT_EQ(windows->listings, 1);
    const auto list = windows->windowList(desktop::WindowListOption::onScreenOnly, 0, false);
    const auto given = contentOf([&](auto done) { capture->shareableContentOf(*list, done); });
    ASSERT_TRUE(given);
    EXPECT_EQ(windows->listings, 2);
    EXPECT_EQ(summary(given), summary(queried));
    EXPECT_EQ(std::get<0>(summary(given)).size(), 2u);
}

TEST_F(X11CaptureTest, AClocksFramesAdvanceAlsoWhileAnotherWindowCoversIt)
{
    testsupport::X11Client clock({"xclock", "-update", "1", "-geometry", "200x200+100+100"});
    const auto window = clock.waitForWindow("XClock");
    ASSERT_NE(window, 0u);
    FrameLog log;
    startWindow(window, log);
    EXPECT_TRUE(picturesChange(log));

    testsupport::X11Client cover({"xterm", "-geometry", "80x40+0+0"});
    const auto coverWindow = cover.waitForWindow("XTerm");
    ASSERT_NE(coverWindow, 0u);
    testsupport::runTool({"xdotool", "windowactivate", "--sync", std::to_string(coverWindow)});
    EXPECT_TRUE(picturesChange(log));
    const auto frame = log.last();
    ASSERT_TRUE(frame && frame->image);
    // The frame with its decorations, at the display's scale.
    EXPECT_GE(frame->image->width, 200);
    EXPECT_GE(frame->image->height, 200);
    EXPECT_EQ(frame->scaleFactor, 1);
}

TEST_F(X11CaptureTest, AStillWindowKeepsGettingItsLastPictureWithoutNewReads)
{
    testsupport::X11Client logo({"xlogo", "-geometry", "150x150+300+300"});
    const auto window = logo.waitForWindow("XLogo");
    ASSERT_NE(window, 0u);
    FrameLog log;
    const auto stream = startWindow(window, log);
    ASSERT_TRUE(nextPicture(log));
    // The window manager's first paints are over once three handovers came without a read.
    long reads = stream->reads();
    auto settledFrom = log.count();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            if (log.count() < settledFrom + 3) return false;
            if (stream->reads() == reads) return true;
            reads = stream->reads();
            settledFrom = log.count();
            return false;
        },
        patience));
    reads = stream->reads();
    const auto from = log.count();
    ASSERT_TRUE(moreFrames(log, 8));
    const auto still = log.since(from);
    EXPECT_EQ(stream->reads(), reads);
    for (const auto& frame : still) {
        EXPECT_EQ(frame.status, desktop::FrameStatus::complete);
        EXPECT_EQ(frame.image.get(), still.front().image.get());
    }

    // Many still mini windows, each stream on a queue of its own, as the mirrors have:
    // their handovers wake a few threads together, not a thread each (which would switch
    // once per handover, besides what the process's other threads do).
    desktop::ShareableWindow shareable;
    shareable.windowID = static_cast<desktop::WindowID>(window);
    const auto tally = std::make_shared<HandoverTally>();
    std::vector<FrameLog> logs;
    for (int i = 0; i < 12; ++i) logs.emplace_back(tally);
    for (auto& each : logs)
        start(desktop::ContentFilter::desktopIndependentWindow(shareable), each, 4000, 4000,
              dispatch::Queue("x11-capture-test.mirror"));
    // The streams' ticks join the common grid once their pictures repeat: a few rounds.
    ASSERT_TRUE(tally->waitForMore(12 * 3));
    const long handoversBefore = tally->count();
    const long switchesBefore = voluntarySwitches();
    ASSERT_TRUE(tally->waitForMore(12 * 5));
    const long switches = voluntarySwitches() - switchesBefore;
    const long handovers = tally->count() - handoversBefore;
    EXPECT_LT(switches, handovers) << handovers << " handovers";
}

TEST_F(X11CaptureTest, ResizedMinimisedAndClosedWindowsFollowTheirSource)
{
    testsupport::X11Client logo({"xlogo", "-geometry", "150x150+300+300"});
    const auto window = logo.waitForWindow("XLogo");
    ASSERT_NE(window, 0u);
    FrameLog log;
    startWindow(window, log);
    const auto before = nextPicture(log);
    ASSERT_TRUE(before);

    testsupport::runTool({"xdotool", "windowsize", "--sync", std::to_string(window), "400", "300"});
    EXPECT_TRUE(testsupport::waitUntil(
        [&] {
            const auto frame = log.last();
            return frame && frame->image && frame->image->width == before->width + 250 &&
                   frame->image->height == before->height + 150;
        },
        patience));

    const auto whole = [&](const desktop::Frame& frame) {
        return frame.status == desktop::FrameStatus::complete && frame.image &&
               frame.image->width == before->width + 250 && frame.image->height == before->height + 150;
    };
    // Iconified, the window gets no frame at all, not even of the strip of title bar the
    // window manager shrinks its frame to on the way.
    FrameLog stillLog;
    startStillWindow(stillLog);
    const auto minimisedFrom = log.count();
    testsupport::runTool({"xdotool", "windowminimize", "--sync", std::to_string(window)});
    EXPECT_TRUE(testsupport::waitUntil([&] { return quietOver(log, stillLog, 3); }, patience));
    EXPECT_TRUE(quietOver(log, stillLog, 5));
    for (const auto& frame : log.since(minimisedFrom)) EXPECT_TRUE(whole(frame));
    // Restored, it has a new pixmap, and the window manager's growing strip is no picture.
    const auto restoredFrom = log.count();
    testsupport::runTool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
    EXPECT_TRUE(moreFrames(log, 6));
    for (const auto& frame : log.since(restoredFrom)) EXPECT_TRUE(whole(frame));

    // Destroyed, it gets none either: no frame counts toward capture death.
    logo.end();
    EXPECT_TRUE(testsupport::waitUntil([&] { return quietOver(log, stillLog, 3); }, patience));
    EXPECT_TRUE(quietOver(log, stillLog, 5));
    EXPECT_EQ(capture->capturingStreams(), 2);
}

TEST_F(X11CaptureTest, OddSourcesGiveFramesAndStoppedStreamsLeaveNothingRunning)
{
    // A window gone between the listing and the start.
    unsigned long gone = 0;
    {
        testsupport::X11Client logo({"xlogo"});
        gone = logo.waitForWindow("XLogo");
        ASSERT_NE(gone, 0u);
    }
    FrameLog goneLog;
    const auto goneStream = startWindow(gone, goneLog);

    // A 1 × 1 window the window manager leaves alone.
    auto* c = connection->xcb();
    const xcb_window_t tiny = xcb_generate_id(c);
    const std::uint32_t values[] = {connection->screen()->white_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, tiny, connection->root(), 5, 5, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, tiny);
    connection->flush();
    EXPECT_EQ(x11::frameWindow(*connection, tiny), tiny);
    FrameLog tinyLog;
    const auto tinyStream = startWindow(tiny, tinyLog);
    const auto picture = nextPicture(tinyLog);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 1);
    EXPECT_EQ(picture->height, 1);
    // White, and opaque: a window without alpha.
    EXPECT_TRUE(picture->opaque);
    EXPECT_EQ(picture->data()[0], 0xFF);
    // Nothing comes of the gone window while the tiny one's stream hands over pictures.
    EXPECT_TRUE(quietOver(goneLog, tinyLog, 3));
    EXPECT_EQ(goneLog.count(), 0u);

    EXPECT_EQ(capture->capturingStreams(), 2);
    EXPECT_FALSE(wait([&](auto done) { goneStream->stopCapture(done); }));
    EXPECT_FALSE(wait([&](auto done) { tinyStream->stopCapture(done); }));
    EXPECT_EQ(capture->capturingStreams(), 0);
    FrameLog stillLog;
    startStillWindow(stillLog);
    EXPECT_TRUE(quietOver(tinyLog, stillLog, 3));
    EXPECT_TRUE(wait([&](auto done) { tinyStream->stopCapture(done); }));
    xcb_destroy_window(c, tiny);
    connection->flush();
}

TEST_F(X11CaptureTest, DisplayFiltersAndStillImagesComposeTheWindowsOnTheServer)
{
    testsupport::X11Client logo({"xlogo", "-geometry", "150x150+300+300"});
    const auto window = logo.waitForWindow("XLogo");
    ASSERT_NE(window, 0u);
    windows->clients = {static_cast<desktop::WindowID>(window)};
    const auto frame = x11::frameWindow(*connection, static_cast<xcb_window_t>(window));

    const auto image = x11::windowImage(*connection, frame, 1);
    ASSERT_TRUE(image);
    EXPECT_GE(image->width, 150);
    const auto half = x11::windowImage(*connection, frame, 0.5);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->width, (image->width + 1) / 2);

    desktop::ShareableDisplay display{1, core::Rect(0, 0, 1920, 1080), 1920, 1080};
    desktop::ShareableWindow listed;
    listed.windowID = static_cast<desktop::WindowID>(window);
    FrameLog including;
    start(desktop::ContentFilter::displayIncludingWindows(display, {listed}), including, 960, 540);
    FrameLog excluding;
    start(desktop::ContentFilter::displayExcludingWindows(display, {listed}), excluding, 960, 540);
    const auto shown = nextPicture(including);
    const auto hidden = nextPicture(excluding);
    ASSERT_TRUE(shown && hidden);
    EXPECT_EQ(shown->width, 960);
    EXPECT_EQ(shown->height, 540);
    // The logo's white left of its X (320, 400 on the root, halved) is in one picture
    // only; the rest is the black under the windows.
    const auto at = [](const desktop::PixelBufferRef& picture, int x, int y) {
        const auto* pixel = picture->row(y) + x * 4;
        return std::array<int, 4>{pixel[0], pixel[1], pixel[2], pixel[3]};
    };
    EXPECT_EQ(at(hidden, 160, 200), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_NE(at(shown, 160, 200), (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(at(shown, 800, 500), (std::array<int, 4>{0, 0, 0, 255}));

    std::promise<desktop::PixelBufferRef> still;
    desktop::ShareableWindow shareable;
    shareable.windowID = static_cast<desktop::WindowID>(window);
    desktop::StreamConfiguration configuration;
    configuration.width = 75;
    configuration.height = 75;
    capture->screenshot(
        desktop::ContentFilter::desktopIndependentWindow(shareable), configuration,
        [&](desktop::PixelBufferRef picture, std::optional<desktop::Error>) { still.set_value(picture); });
    const auto small = still.get_future().get();
    ASSERT_TRUE(small);
    EXPECT_LE(small->width, 75);
    EXPECT_LE(small->height, 75);
}

TEST_F(X11CaptureTest, AFrameIsItsSegmentUntilTheLastReferenceGivesItBack)
{
    auto* c = connection->xcb();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {0x336699, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, connection->root(), 0, 0, 64, 32, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    x11::WindowPixmap pixmap(*connection, window);
    ASSERT_TRUE(testsupport::waitUntil([&] { return pixmap.name(); }, patience));
    const auto pool = std::make_shared<x11::ShmPool>(connection);

    auto first = x11::readDrawable(*connection, pool.get(), *pixmap.pixmap());
    auto second = x11::readDrawable(*connection, pool.get(), *pixmap.pixmap());
    ASSERT_TRUE(first && second);
    ASSERT_TRUE(first->storage && second->storage);
    // A held frame keeps its memory: the next read goes elsewhere.
    EXPECT_NE(first->data(), second->data());
    EXPECT_EQ(first->byteCount(), 64u * 32u * 4u);
    EXPECT_EQ(reinterpret_cast<const std::uint32_t*>(first->row(31))[63] & 0xFFFFFFu, 0x336699u);
    EXPECT_TRUE(first->opaque);
    const auto* given = first->data();
    first.reset();
    const auto third = x11::readDrawable(*connection, pool.get(), *pixmap.pixmap());
    ASSERT_TRUE(third);
    EXPECT_EQ(third->data(), given);
    xcb_destroy_window(c, window);
    connection->flush();
}

TEST_F(X11CaptureTest, AWindowShownSmallerIsReadAtTheShownSizeAndBiggerWhenShownBigger)
{
    // 1600 × 900: red on the left half, blue on the right, a green square in the middle.
    auto* c = connection->xcb();
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {0xFF0000, 1};
    xcb_create_window(c, 24, window, connection->root(), 0, 0, 1600, 900, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      connection->screen()->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    x11::WindowPixmap pixmap(*connection, window);
    ASSERT_TRUE(testsupport::waitUntil([&] { return pixmap.name(); }, patience));
    const auto fill = [&](std::uint32_t colour, xcb_rectangle_t rect) {
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &colour);
        xcb_poly_fill_rectangle(c, window, gc, 1, &rect);
        xcb_free_gc(c, gc);
    };
    fill(0x0000FF, {800, 0, 800, 900});
    fill(0x00FF00, {700, 350, 200, 200});
    connection->flush();

    FrameLog log;
    const auto stream = startWindow(window, log);
    const auto full = nextPicture(log);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->width, 1600);
    const auto colourAt = [](const desktop::PixelBufferRef& picture, double x, double y) {
        const auto* pixel =
            picture->row(static_cast<int>(y * picture->height)) + static_cast<int>(x * picture->width) * 4;
        return std::array<int, 4>{pixel[0], pixel[1], pixel[2], pixel[3]};
    };
    const auto pictureOfWidth = [&](int width) {
        desktop::PixelBufferRef picture;
        testsupport::waitUntil(
            [&] {
                const auto frame = log.last();
                if (frame && frame->image && frame->image->width == width) picture = frame->image;
                return picture != nullptr;
            },
            patience);
        return picture;
    };

    // A mini window of 400 × 300: the picture keeps the window's shape, read small on the
    // server, opaque to the last byte so that it draws as it is.
    stream->setShownSize(400, 300);
    const auto small = pictureOfWidth(400);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->height, 225);
    EXPECT_TRUE(small->opaque);
    EXPECT_TRUE(small->fourthByteOpaque);
    EXPECT_EQ(colourAt(small, 0.25, 0.2), (std::array<int, 4>{0, 0, 255, 255}));  // B, G, R, A
    EXPECT_EQ(colourAt(small, 0.75, 0.8), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(colourAt(small, 0.5, 0.5), (std::array<int, 4>{0, 255, 0, 255}));
    for (int y = 0; y < small->height; ++y)
        for (int x = 0; x < small->width; ++x) ASSERT_EQ(small->row(y)[x * 4 + 3], 0xFF) << x << ", " << y;

    // A bigger view raises it; one as big as the window reads the window as it is.
    stream->setShownSize(1000, 700);
    const auto bigger = pictureOfWidth(1000);
    ASSERT_TRUE(bigger);
    EXPECT_EQ(bigger->height, 563);
    EXPECT_TRUE(bigger->fourthByteOpaque);
    EXPECT_EQ(colourAt(bigger, 0.25, 0.2), (std::array<int, 4>{0, 0, 255, 255}));
    EXPECT_EQ(colourAt(bigger, 0.75, 0.8), (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(colourAt(bigger, 0.5, 0.5), (std::array<int, 4>{0, 255, 0, 255}));
    stream->setShownSize(3200, 1800);
    EXPECT_TRUE(pictureOfWidth(1600));
    xcb_destroy_window(c, window);
    connection->flush();
}

namespace {

// metacity's frames hold invisible borders to resize by around what they show: a display
// of the test's own runs it.
class X11CaptureUnderMetacityTest : public X11CaptureTest {
protected:
    void SetUp() override
    {
        display = std::make_unique<testsupport::TestDisplay>("1920x1080x24", std::vector<std::string>{"metacity"});
        ASSERT_TRUE(display->ready()) << "no X server of the test's own came up";
        X11CaptureTest::SetUp();
    }

    void TearDown() override
    {
        X11CaptureTest::TearDown();
        connection.reset();
        display.reset();
    }

    std::unique_ptr<testsupport::TestDisplay> display;
};

}  // namespace

// Streams and still pictures show the window as the window list bounds it: the client
// and its decorations, the frame's invisible borders cut off.
TEST_F(X11CaptureUnderMetacityTest, PicturesLeaveOutTheFramesInvisibleBorders)
{
    testsupport::X11Client solid({GLIMRA_SOLID_WINDOW, "400", "300"});
    const auto window = static_cast<xcb_window_t>(solid.waitForWindow("SolidWindow"));
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(testsupport::waitUntil([&] { return x11::frameExtents(*connection, window).top > 0; }, patience));
    const auto extents = x11::frameExtents(*connection, window);
    const auto bounds = x11::framePixels(*connection, window);
    const auto frame = x11::frameWindow(*connection, window);
    const auto state = x11::windowState(*connection, frame);
    ASSERT_TRUE(bounds && state);
    ASSERT_GT(state->width, bounds->width()) << "the frame has no invisible borders";

    FrameLog log;
    startWindow(window, log);
    const auto streamed = nextPicture(log);
    const auto still = x11::windowImage(*connection, frame, 1);
    const auto red = std::array<int, 4>{0, 0, 255, 255};  // B, G, R, A
    for (const auto& picture : {streamed, still}) {
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width, bounds->width());
        EXPECT_EQ(picture->height, bounds->height());
        // The client's top-left pixel.
        const auto* pixel = picture->row(static_cast<int>(extents.top)) + static_cast<int>(extents.left) * 4;
        EXPECT_EQ((std::array<int, 4>{pixel[0], pixel[1], pixel[2], pixel[3]}), red);
    }
}
