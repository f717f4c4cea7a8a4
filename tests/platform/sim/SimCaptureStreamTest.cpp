#include "platform/sim/SimCapture.h"
#include "platform/sim/WindowPainter.h"
#include "support/PixelBytes.h"
#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace {

using desktop::ContentFilter;
using desktop::Frame;
using desktop::FrameStatus;
namespace ce = desktop::captureError;

class SimCaptureStreamTest : public testsupport::SimDesktopTest {
protected:
    static constexpr desktop::WindowID source = 4242;
    static constexpr desktop::WindowID other = 4343;

    void SetUp() override
    {
        SimDesktopTest::SetUp();
        addApp(501, "Editor", "com.example.editor");
        addApp(502, "Viewer", "com.example.viewer");
        addWindow(502, other, {900, 500, 300, 200}, "Other");
        addWindow(501, source, {100, 100, 200, 150}, "Notes");
    }

    sim::SimCapture& capture() { return static_cast<sim::SimCapture&>(*desktop().capture); }

    ContentFilter windowFilter(desktop::WindowID id)
    {
        desktop::ShareableWindow window;
        window.windowID = id;
        window.frame = world().window(id)->frame;
        return ContentFilter::desktopIndependentWindow(window);
    }

    static desktop::StreamConfiguration configuration(int width, int height, int rate)
    {
        desktop::StreamConfiguration configuration;
        configuration.width = width;
        configuration.height = height;
        configuration.minimumFrameInterval = rate > 0 ? 1.0 / rate : 0;
        return configuration;
    }

    desktop::CaptureCompletion recordCompletion()
    {
        return [this](std::optional<desktop::Error> error) { completions.push_back(std::move(error)); };
    }

    std::shared_ptr<desktop::CaptureStream> makeStream(const ContentFilter& filter,
                                                       const desktop::StreamConfiguration& configuration)
    {
        return desktop().capture->makeStream(filter, configuration,
                                             [this](const desktop::Error& error) { stops.push_back(error); });
    }

    std::shared_ptr<desktop::CaptureStream> startedStream(const ContentFilter& filter,
                                                          const desktop::StreamConfiguration& configuration)
    {
        auto stream = makeStream(filter, configuration);
        EXPECT_FALSE(stream->addOutput(output, [this](const Frame& frame) { frames.push_back(frame); }));
        completions.clear();
        stream->startCapture(recordCompletion());
        clock().runUntilIdle();
        EXPECT_EQ(completions.size(), 1u);
        completions.clear();
        offsetHalfAFrame(configuration);
        return stream;
    }

    // Moves the clock half a frame past the timer's start, so that counting windows of
    // whole frames never end on a frame's moment.
    void offsetHalfAFrame(const desktop::StreamConfiguration& configuration)
    {
        clock().advance(std::max(configuration.minimumFrameInterval, 1.0 / 60) / 2);
    }

    // A started stream of the source at scale 2 (400 × 300 pixels), 30 frames a second.
    std::shared_ptr<desktop::CaptureStream> startedSourceStream()
    {
        return startedStream(windowFilter(source), configuration(400, 300, 30));
    }

    // Frames received while the clock runs for the given seconds.
    std::vector<Frame> framesDuring(double seconds)
    {
        frames.clear();
        clock().advance(seconds);
        return frames;
    }

    static long countOf(const std::vector<Frame>& list, FrameStatus status)
    {
        return std::count_if(list.begin(), list.end(), [&](const Frame& f) { return f.status == status; });
    }

    static std::vector<std::uint8_t> pixels(const Frame& frame) { return testsupport::pixelBytes(*frame.image); }

    std::vector<std::uint8_t> painted(desktop::WindowID id, double contentTime, int width, int height)
    {
        const auto window = *world().window(id);
        return testsupport::pixelBytes(*sim::paintWindow(window, world().appName(window.pid), contentTime, width, height));
    }

    dispatch::Queue output{"test.capture"};
    std::vector<Frame> frames;
    std::vector<desktop::Error> stops;
    std::vector<std::optional<desktop::Error>> completions;
};

TEST_F(SimCaptureStreamTest, DeliversCompleteFramesAtTheConfiguredRateAndSize)
{
    const auto stream = startedSourceStream();
    const auto second = framesDuring(1.0);
    ASSERT_EQ(second.size(), 30u);
    EXPECT_EQ(countOf(second, FrameStatus::complete), 30);
    for (const auto& frame : second) {
        ASSERT_TRUE(frame.image);
        EXPECT_EQ(frame.image->width, 400);
        EXPECT_EQ(frame.image->height, 300);
        EXPECT_EQ(frame.contentRect, core::Rect(0, 0, 400, 300));
        EXPECT_DOUBLE_EQ(frame.scaleFactor, 2);
    }
    // The picture is the window as it looked at the frame's moment.
    EXPECT_EQ(pixels(second.back()), painted(source, second.back().presentationTime, 400, 300));
    EXPECT_EQ(std::static_pointer_cast<sim::SimCaptureStream>(stream)->framesDelivered(), 30);
    ASSERT_EQ(capture().streams().size(), 1u);
    EXPECT_EQ(capture().streams()[0].window, source);
    EXPECT_TRUE(capture().streams()[0].capturing);
    EXPECT_EQ(capture().streams()[0].framesDelivered, 30);

    // No interval means the display's pace: 60 a second, never more.
    const auto fast = startedStream(windowFilter(other), configuration(600, 400, 0));
    EXPECT_EQ(framesDuring(1.0).size(), 30u + 60u);
}

TEST_F(SimCaptureStreamTest, AnimatedContentChangesWhileStillContentStays)
{
    const auto stream = startedSourceStream();
    auto animated = framesDuring(0.5);
    for (std::size_t i = 1; i < animated.size(); ++i)
        EXPECT_NE(pixels(animated[i]), pixels(animated[i - 1])) << "frame " << i;

    world().setContent(source, sim::Content::still);
    const auto still = framesDuring(0.5);
    ASSERT_GE(still.size(), 14u);
    for (const auto& frame : still) EXPECT_EQ(pixels(frame), painted(source, 0, 400, 300));
}

TEST_F(SimCaptureStreamTest, CoveredSourceKeepsDeliveringFrozenFramesUntilUncovered)
{
    const auto stream = startedSourceStream();
    clock().advance(0.5);
    addWindow(502, 4444, {50, 50, 400, 300}, "Cover");
    const double coveredAt = dispatch::now();

    const auto covered = framesDuring(1.0);
    ASSERT_EQ(covered.size(), 30u);
    EXPECT_EQ(countOf(covered, FrameStatus::complete), 30);
    for (const auto& frame : covered) EXPECT_EQ(pixels(frame), painted(source, coveredAt, 400, 300));

    // A cover that leaves a strip of the window uncovered does not freeze it.
    world().setFrame(4444, {50, 50, 400, 150});
    const auto partly = framesDuring(0.2);
    ASSERT_GE(partly.size(), 2u);
    EXPECT_NE(pixels(partly.front()), pixels(covered.back()));
    EXPECT_NE(pixels(partly[1]), pixels(partly[0]));

    world().setFrame(4444, {50, 50, 400, 300});
    const auto again = framesDuring(0.2);
    world().removeWindow(4444);
    const auto uncovered = framesDuring(0.2);
    EXPECT_EQ(pixels(again.front()), pixels(again.back()));
    EXPECT_NE(pixels(uncovered.back()), pixels(again.back()));
    EXPECT_EQ(pixels(uncovered.back()), painted(source, uncovered.back().presentationTime, 400, 300));
}

TEST_F(SimCaptureStreamTest, HiddenSourceGivesNothingAndAClosedOneIdleFramesWithoutPicture)
{
    const auto stream = startedSourceStream();
    world().setMinimized(source, true);
    EXPECT_TRUE(framesDuring(0.5).empty());
    world().setMinimized(source, false);
    EXPECT_EQ(countOf(framesDuring(0.5), FrameStatus::complete), 15);

    world().setHidden(501, true);
    EXPECT_TRUE(framesDuring(0.5).empty());
    world().setHidden(501, false);
    EXPECT_EQ(countOf(framesDuring(0.5), FrameStatus::complete), 15);

    // A closed window: the stream runs on, without pictures.
    world().removeWindow(source);
    const auto closed = framesDuring(1.0);
    EXPECT_EQ(closed.size(), 30u);
    EXPECT_TRUE(std::all_of(closed.begin(), closed.end(),
                            [](const Frame& f) { return f.status == FrameStatus::idle && !f.image; }));
}

TEST_F(SimCaptureStreamTest, NothingFlowsWithoutTheScreenRecordingGrant)
{
    const auto stream = startedSourceStream();
    world().setScreenRecordingAllowed(false);
    EXPECT_TRUE(framesDuring(1.0).empty());
    world().setScreenRecordingAllowed(true);
    EXPECT_FALSE(framesDuring(1.0).empty());
}

TEST_F(SimCaptureStreamTest, SilenceDropsTheNextFramesOfTheWindowsStreamsOnly)
{
    const auto stream = startedSourceStream();
    const auto bystander = startedStream(windowFilter(other), configuration(600, 400, 30));
    const auto delivered = [](const std::shared_ptr<desktop::CaptureStream>& s) {
        return std::static_pointer_cast<sim::SimCaptureStream>(s)->framesDelivered();
    };
    const long sourceBefore = delivered(stream);
    const long bystanderBefore = delivered(bystander);
    capture().injectFault(source, sim::CaptureFault::silence, 0, 20);

    clock().advance(1.0);
    EXPECT_EQ(delivered(stream) - sourceBefore, 10);
    EXPECT_EQ(delivered(bystander) - bystanderBefore, 30);
    // The frames that do come are ordinary ones.
    frames.clear();
    clock().advance(0.1);
    EXPECT_EQ(countOf(frames, FrameStatus::complete), long(frames.size()));
}

TEST_F(SimCaptureStreamTest, IncompleteFaultGivesBlankFramesWithoutPicture)
{
    const auto stream = startedSourceStream();
    capture().injectFault(source, sim::CaptureFault::incomplete, 0, 12);
    const auto second = framesDuring(1.0);
    ASSERT_EQ(second.size(), 30u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(second[i].status, FrameStatus::blank);
        EXPECT_FALSE(second[i].image);
    }
    EXPECT_EQ(countOf(second, FrameStatus::complete), 18);
}

TEST_F(SimCaptureStreamTest, StopFaultEndsTheStreamWithTheErrorOnTheGlobalQueue)
{
    const auto stream = startedSourceStream();
    clock().advance(0.25);
    capture().injectFault(source, sim::CaptureFault::stop, ce::failedApplicationConnectionInterrupted, 2);
    const long before = std::static_pointer_cast<sim::SimCaptureStream>(stream)->framesDelivered();

    EXPECT_TRUE(framesDuring(1.0).empty());
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].domain, ce::domain);
    EXPECT_EQ(stops[0].code, ce::failedApplicationConnectionInterrupted);
    EXPECT_FALSE(stops[0].localizedDescription.empty());
    EXPECT_NE(stops[0].description.find("-3805"), std::string::npos);
    EXPECT_EQ(std::static_pointer_cast<sim::SimCaptureStream>(stream)->framesDelivered(), before);
    EXPECT_FALSE(capture().streams()[0].capturing);

    // An ended stream cannot be started again; a new stream meets the second stop.
    stream->startCapture(recordCompletion());
    clock().runUntilIdle();
    ASSERT_EQ(completions.size(), 1u);
    ASSERT_TRUE(completions[0]);
    EXPECT_EQ(completions[0]->code, ce::attemptToStartStreamState);
    const auto rebuilt = startedSourceStream();
    clock().advance(0.1);
    EXPECT_EQ(stops.size(), 2u);
    const auto third = startedSourceStream();
    EXPECT_EQ(framesDuring(0.1).size(), 3u);
}

TEST_F(SimCaptureStreamTest, StartFaultsFailTheNextCallsWithTheirCode)
{
    capture().injectFault(source, sim::CaptureFault::addOutputFails, ce::invalidParameter, 1);
    capture().injectFault(source, sim::CaptureFault::startFails, ce::failedToStart, 1);
    const auto stream = makeStream(windowFilter(source), configuration(400, 300, 30));
    const auto onFrame = [this](const Frame& frame) { frames.push_back(frame); };

    const auto refused = stream->addOutput(output, onFrame);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->domain, ce::domain);
    EXPECT_EQ(refused->code, ce::invalidParameter);
    EXPECT_FALSE(stream->addOutput(output, onFrame));

    stream->startCapture(recordCompletion());
    EXPECT_TRUE(completions.empty());  // completions come asynchronously
    clock().runUntilIdle();
    ASSERT_EQ(completions.size(), 1u);
    ASSERT_TRUE(completions[0]);
    EXPECT_EQ(completions[0]->code, ce::failedToStart);
    EXPECT_TRUE(framesDuring(0.5).empty());

    stream->startCapture(recordCompletion());
    clock().runUntilIdle();
    EXPECT_FALSE(completions[1]);
    EXPECT_EQ(framesDuring(0.5).size(), 15u);
}

TEST_F(SimCaptureStreamTest, CallsInTheWrongStateFailAndPauseResumesTheSameStream)
{
    const auto stream = startedSourceStream();
    const auto codeOf = [&](auto call) {
        completions.clear();
        call(recordCompletion());
        clock().runUntilIdle();
        return completions.at(0) ? completions[0]->code : 0;
    };
    const auto start = [&](auto done) { stream->startCapture(done); };
    const auto stop = [&](auto done) { stream->stopCapture(done); };
    const auto reconfigure = [&](auto done) { stream->updateConfiguration(configuration(200, 150, 30), done); };
    const auto refilter = [&](auto done) { stream->updateContentFilter(windowFilter(other), done); };

    EXPECT_EQ(codeOf(start), ce::attemptToStartStreamState);
    EXPECT_TRUE(stream->addOutput(output, [](const Frame&) {}));
    EXPECT_EQ(codeOf(stop), 0);
    EXPECT_TRUE(framesDuring(0.5).empty());
    EXPECT_EQ(codeOf(stop), ce::attemptToStopStreamState);
    EXPECT_EQ(codeOf(reconfigure), ce::attemptToUpdateFilterState);
    EXPECT_EQ(codeOf(refilter), ce::attemptToUpdateFilterState);

    EXPECT_EQ(codeOf(start), 0);
    const auto resumed = framesDuring(0.5);
    EXPECT_EQ(resumed.size(), 15u);
    EXPECT_EQ(resumed.back().image->width, 400);

    stream->removeOutput();
    EXPECT_TRUE(framesDuring(0.5).empty());
}

TEST_F(SimCaptureStreamTest, InPlaceUpdatesChangeSizeRateAndSource)
{
    const auto stream = startedSourceStream();
    stream->updateConfiguration(configuration(200, 150, 10), recordCompletion());
    clock().runUntilIdle();
    offsetHalfAFrame(configuration(200, 150, 10));
    ASSERT_EQ(completions.size(), 1u);
    EXPECT_FALSE(completions[0]);
    auto second = framesDuring(1.0);
    ASSERT_EQ(second.size(), 10u);
    EXPECT_EQ(second.back().image->width, 200);
    EXPECT_EQ(second.back().image->height, 150);

    stream->updateContentFilter(windowFilter(other), recordCompletion());
    stream->updateConfiguration(configuration(600, 400, 10), recordCompletion());
    clock().runUntilIdle();
    offsetHalfAFrame(configuration(600, 400, 10));
    second = framesDuring(1.0);
    ASSERT_EQ(second.size(), 10u);
    EXPECT_EQ(pixels(second.back()), painted(other, second.back().presentationTime, 600, 400));
    EXPECT_EQ(std::static_pointer_cast<sim::SimCaptureStream>(stream)->faultWindow(), other);
}

TEST_F(SimCaptureStreamTest, ResizedSourceIsDrawnTopLeftAtTheOldPixelSizeUntilReconfigured)
{
    const auto stream = startedSourceStream();
    world().setFrame(source, {100, 100, 100, 50});
    auto after = framesDuring(0.1);
    ASSERT_FALSE(after.empty());
    const Frame& shrunk = after.back();
    ASSERT_EQ(shrunk.image->width, 400);
    ASSERT_EQ(shrunk.image->height, 300);
    EXPECT_EQ(shrunk.contentRect, core::Rect(0, 0, 200, 100));
    const auto live = sim::paintWindow(*world().window(source), world().appName(world().window(source)->pid),
                                       shrunk.presentationTime, 200, 100);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            const std::uint8_t* got = shrunk.image->row(y) + 4 * x;
            const bool inside = x < 200 && y < 100;
            const std::uint32_t expected = inside ? *reinterpret_cast<const std::uint32_t*>(live->row(y) + 4 * x) : 0;
            ASSERT_EQ(*reinterpret_cast<const std::uint32_t*>(got), expected) << x << "," << y;
        }
    }

    // A larger window is cut at the configured size.
    world().setFrame(source, {100, 100, 300, 200});
    after = framesDuring(0.1);
    EXPECT_EQ(after.back().image->width, 400);
    EXPECT_EQ(after.back().contentRect, core::Rect(0, 0, 400, 300));

    stream->updateConfiguration(configuration(600, 400, 30), recordCompletion());
    after = framesDuring(0.1);
    EXPECT_EQ(pixels(after.back()), painted(source, after.back().presentationTime, 600, 400));
}

TEST_F(SimCaptureStreamTest, DisplayFiltersShowTheCroppedDisplay)
{
    desktop::ShareableDisplay display;
    display.displayID = 1;
    display.frame = core::Rect(0, 0, 1512, 982);
    desktop::ShareableWindow shareable;
    shareable.windowID = source;
    auto crop = configuration(400, 300, 30);
    crop.sourceRect = core::Rect(100, 100, 200, 150);

    const auto including = startedStream(ContentFilter::displayIncludingWindows(display, {shareable}), crop);
    auto shown = framesDuring(0.1);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().status, FrameStatus::complete);
    EXPECT_EQ(pixels(shown.back()), painted(source, shown.back().presentationTime, 400, 300));
    EXPECT_EQ(std::static_pointer_cast<sim::SimCaptureStream>(including)->faultWindow(), source);
    including->removeOutput();

    // Without the window the crop shows the desktop behind it: one colour.
    const auto excluding = startedStream(ContentFilter::displayExcludingWindows(display, {shareable}), crop);
    shown = framesDuring(0.1);
    ASSERT_FALSE(shown.empty());
    const auto bytes = pixels(shown.back());
    for (std::size_t i = 4; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], bytes[i % 4]) << i;
    EXPECT_EQ(capture().streams().back().display, 1u);

    world().removeDisplay(1);
    shown = framesDuring(0.1);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().status, FrameStatus::idle);
}

// The process's peak resident memory so far, in bytes.
long long peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return 0;
}

TEST_F(SimCaptureStreamTest, HugeWindowsAreCapturedNoLargerThanTheLargestDisplay)
{
    // The largest display has 3024 × 1964 pixels; a square fits it at 1964 a side.
    const auto fits = [](const std::vector<Frame>& list) {
        return !list.empty() && std::all_of(list.begin(), list.end(), [](const Frame& f) {
            return f.status == FrameStatus::complete && f.image->width == 1964 && f.image->height == 1964 &&
                   f.image->byteCount() == 1964u * 1964u * 4u;
        });
    };
    const long long peakBefore = peakResidentBytes();
    constexpr desktop::WindowID huge = 4444;
    addWindow(501, huge, {0, 0, 16384, 16384}, "Huge");
    const auto stream = startedStream(windowFilter(huge), configuration(32768, 32768, 30));
    EXPECT_TRUE(fits(framesDuring(1.0)));

    // Grown to that size after a small configuration: the picture is cut, never painted whole.
    world().setFrame(huge, {0, 0, 100, 100});
    stream->updateConfiguration(configuration(200, 200, 30), recordCompletion());
    world().setFrame(huge, {0, 0, 16384, 16384});
    const auto grown = framesDuring(0.5);
    ASSERT_FALSE(grown.empty());
    EXPECT_EQ(grown.back().image->width, 200);
    EXPECT_EQ(grown.back().contentRect, core::Rect(0, 0, 200, 200));
    frames.clear();
    EXPECT_LT(peakResidentBytes() - peakBefore, 1LL << 30);
}

TEST_F(SimCaptureStreamTest, ReleasedStreamDeliversNothingMore)
{
    auto stream = startedSourceStream();
    clock().advance(0.2);
    stream.reset();
    EXPECT_TRUE(framesDuring(1.0).empty());
    EXPECT_TRUE(capture().streams().empty());
}

}  // namespace
