#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/sim/SimCapture.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Streams on real threads: frames on the output queue while the test thread changes and
// drops the stream.
class SimCaptureThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
        desktop::DisplayInfo display;
        display.id = 1;
        display.frame = core::Rect(0, 0, 800, 600);
        world->addDisplay(display);
        sim::SimWindow window;
        window.id = 7;
        window.pid = 501;
        window.frame = core::Rect(10, 10, 60, 40);
        world->addWindow(window);
    }
    void TearDown() override { dispatch::install(nullptr); }

    std::shared_ptr<desktop::CaptureStream> startedStream()
    {
        desktop::ShareableWindow window;
        window.windowID = 7;
        desktop::StreamConfiguration configuration;
        configuration.width = 120;
        configuration.height = 80;
        auto stream = capture.makeStream(desktop::ContentFilter::desktopIndependentWindow(window), configuration, {});
        EXPECT_FALSE(stream->addOutput(dispatch::Queue("test.frames"), [this](const desktop::Frame& frame) {
            if (frame.image) ++frames;
            arrived.signal();
        }));
        stream->startCapture(nullptr);
        return stream;
    }

    void awaitCompletion(const std::function<void(desktop::CaptureCompletion)>& call)
    {
        dispatch::Semaphore done;
        call([&](std::optional<desktop::Error> error) {
            EXPECT_FALSE(error);
            done.signal();
        });
        ASSERT_TRUE(done.wait(5));
    }

    std::shared_ptr<sim::SimWorld> world = std::make_shared<sim::SimWorld>();
    sim::SimCapture capture{world};
    std::atomic<int> frames{0};
    dispatch::Semaphore arrived;
};

TEST_F(SimCaptureThreadTest, StoppedOrReleasedStreamsFallSilentWhileFramesFlow)
{
    auto stream = startedStream();
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(arrived.wait(5));

    desktop::StreamConfiguration smaller;
    smaller.width = 60;
    smaller.height = 40;
    awaitCompletion([&](auto done) { stream->updateConfiguration(smaller, done); });
    awaitCompletion([&](auto done) { stream->stopCapture(done); });
    dispatch::sleepFor(0.1);  // a frame under way when the stop came may still land
    const int afterStop = frames;
    dispatch::sleepFor(0.2);
    EXPECT_EQ(frames, afterStop);

    awaitCompletion([&](auto done) { stream->startCapture(done); });
    ASSERT_TRUE(arrived.wait(5));
    stream.reset();
    dispatch::sleepFor(0.1);
    const int afterRelease = frames;
    dispatch::sleepFor(0.2);
    EXPECT_EQ(frames, afterRelease);
}

}  // namespace
