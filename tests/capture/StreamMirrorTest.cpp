#include "capture/StreamMirror.h"

#include "MirrorFixture.h"
#include "platform/core/SystemLog.h"
#include "platform/defaults/Defaults.h"

#include <gtest/gtest.h>

namespace {

using StreamMirrorTest = capturetest::MirrorFixture;
using capturetest::sourceID;
using Outcome = WindowParking::RescueOutcome;

// The simulated capture answering as X11's does: covered windows keep drawing, and frames
// show the live window.
class CaptureLikeX11 : public desktop::Capture {
public:
    explicit CaptureLikeX11(std::shared_ptr<desktop::Capture> real) : real_(std::move(real)) {}

    void shareableContent(
        bool excludingDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion) override
    {
        real_->shareableContent(excludingDesktopWindows, onScreenWindowsOnly, std::move(completion));
    }
    std::shared_ptr<desktop::CaptureStream> makeStream(const desktop::ContentFilter& filter,
                                                       const desktop::StreamConfiguration& configuration,
                                                       std::function<void(const desktop::Error&)> onStopped) override
    {
        return real_->makeStream(filter, configuration, std::move(onStopped));
    }
    void screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                    std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion) override
    {
        real_->screenshot(filter, configuration, std::move(completion));
    }
    bool coveredWindowsKeepDrawing() override { return true; }
    bool framesShowTheLiveWindow() override { return true; }

private:
    std::shared_ptr<desktop::Capture> real_;
};

}  // namespace

TEST_F(StreamMirrorTest, DeliversSharedFramesAtTheSourcesPixelSize)
{
    startMirror();
    clock().advance(1);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back()->width, 1600);
    EXPECT_EQ(frames.back()->height, 1200);
    EXPECT_GE(mirror->framesDelivered(), 29);
    EXPECT_EQ(mirror->framesApplied(), mirror->framesDelivered());
    EXPECT_EQ(linesWith("startCapture OK").size(), 1u);
    EXPECT_EQ(linesWith("收到第一帧 (source=800x600)").size(), 1u);
    EXPECT_TRUE(mirror->hasStream());
}

TEST_F(StreamMirrorTest, ABusyMainQueueHoldsOnlyTheNewestFrame)
{
    makeMirror();
    // Frames reach the mailbox on the capture queue; the main queue's hand-off is
    // pending until the main queue runs: one hand-off, the newest frame.
    capture::FrameMailbox mailbox(dispatch::main());
    std::vector<desktop::PixelBufferRef> handed;
    const auto first = std::make_shared<desktop::PixelBuffer>(2, 2);
    const auto second = std::make_shared<desktop::PixelBuffer>(4, 4);
    mailbox.put(first, [&](desktop::PixelBufferRef frame) { handed.push_back(frame); });
    mailbox.put(second, [&](desktop::PixelBufferRef frame) { handed.push_back(frame); });
    clock().runUntilIdle();
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].get(), second.get());
}

TEST_F(StreamMirrorTest, AStreamThatNeverDeliversIsRebuiltOnTheWatchdogsSchedule)
{
    simCapture().injectFault(sourceID, sim::CaptureFault::silence, 0, 1000000);
    startMirror();
    const auto rebuilds = [&] { return linesWith("重建流: 流无帧").size(); };
    clock().advance(1.9);
    EXPECT_EQ(rebuilds(), 0u);
    clock().advance(0.2);
    EXPECT_EQ(rebuilds(), 1u);
    clock().advance(29.8);
    EXPECT_EQ(rebuilds(), 1u);
    clock().advance(0.2);
    EXPECT_EQ(rebuilds(), 2u);
    EXPECT_EQ(capturingStreams(), 1);
}

TEST_F(StreamMirrorTest, AFailedStartAfterARebuildIsRetriedByTheWatchdog)
{
    startMirror();
    clock().advance(1);
    // Frames stop; the rebuild 2 s later cannot add its output.
    simCapture().injectFault(sourceID, sim::CaptureFault::silence, 0, 1000000);
    simCapture().injectFault(sourceID, sim::CaptureFault::addOutputFails, desktop::captureError::invalidParameter, 1);
    clock().advance(2.5);
    EXPECT_EQ(linesWith("重建流: 流无帧").size(), 1u);
    EXPECT_FALSE(mirror->hasStream());
    ASSERT_EQ(startErrors.size(), 1u);
    EXPECT_EQ(startErrors[0].rfind("添加输出失败：", 0), 0u);

    simCapture().injectFault(sourceID, sim::CaptureFault::silence, 0, 0);
    clock().advance(25);
    EXPECT_FALSE(mirror->hasStream());
    clock().advance(5);
    EXPECT_EQ(linesWith("重建流: 流无帧").size(), 2u);
    EXPECT_TRUE(mirror->hasStream());
    EXPECT_EQ(capturingStreams(), 1);
}

TEST_F(StreamMirrorTest, AShrunkSourceIsCroppedAtOnceAndAdoptedAfterTheDebounce)
{
    startMirror();
    clock().advance(1);
    regions.clear();
    // The accessibility observer reports the resize at once, before the next poll.
    world().setFrame(sourceID, {100, 100, 400, 300});
    clock().advance(0.1);
    ASSERT_FALSE(regions.empty());
    EXPECT_EQ(regions.front(), core::Rect(0, 0, 0.5, 0.5));
    EXPECT_EQ(linesWith("源窗口实时变化 800x600 → 400x300，重建流跟随").size(), 0u);
    clock().advance(0.3);
    EXPECT_EQ(linesWith("源窗口实时变化 800x600 → 400x300，重建流跟随").size(), 1u);
    EXPECT_EQ(mirror->sourceSize(), core::Size(400, 300));
    clock().advance(1);
    EXPECT_EQ(linesWith("换 filter+config: 帧流正常 ✓").size(), 1u);
    EXPECT_EQ(regions.back(), core::Rect(0, 0, 1, 1));
    EXPECT_EQ(frames.back()->width, 800);
    // One adoption only, though the accessibility observer and the poll both saw it.
    EXPECT_EQ(linesWith("源窗口实时变化").size(), 1u);
}

TEST_F(StreamMirrorTest, FrameRateSwitchesAreVerifiedAfterTheirDelay)
{
    startMirror();
    clock().advance(1);
    mirror->setFrameRate(0);
    clock().advance(0.01);
    EXPECT_EQ(mirror->frameRate(), 1);
    EXPECT_EQ(linesWith("帧率: 已应用 1 fps，2.5s 内验证帧流").size(), 1u);
    clock().advance(3);
    EXPECT_EQ(linesWith("帧率: 切换后无新帧").size(), 0u);

    simCapture().injectFault(sourceID, sim::CaptureFault::silence, 0, 1000000);
    mirror->setFrameRate(120);
    clock().advance(0.01);
    EXPECT_EQ(linesWith("帧率: 已应用 60 fps，0.6s 内验证帧流").size(), 1u);
    clock().advance(0.55);
    EXPECT_EQ(linesWith("帧率: 切换后无新帧").size(), 0u);
    clock().advance(0.1);
    EXPECT_EQ(linesWith("帧率: 切换后无新帧 → 回退重建流").size(), 1u);
    EXPECT_EQ(linesWith("重建流: 帧率切换后无新帧").size(), 1u);

    mirror->setFrameRate(60);
    clock().advance(0.01);
    EXPECT_EQ(linesWith("帧率: 切换 →").size(), 2u);
}

TEST_F(StreamMirrorTest, InterruptedStreamsRestartThreeTimesThenTheHostHearsOfIt)
{
    std::vector<std::string> systemLog;
    core::systemLog::setSink([&](const std::string& line) { systemLog.push_back(line); });
    simCapture().injectFault(sourceID, sim::CaptureFault::stop,
                             desktop::captureError::failedApplicationConnectionInterrupted, 1);
    startMirror();
    clock().advance(0.1);
    EXPECT_EQ(linesWith("流错误自动恢复: 第1/3 次（0.5s 后重启流，迷你窗保留）").size(), 1u);
    EXPECT_FALSE(mirror->hasStream());
    clock().advance(0.6);
    EXPECT_TRUE(mirror->hasStream());
    EXPECT_EQ(capturingStreams(), 1);
    frames.clear();
    clock().advance(1);
    EXPECT_FALSE(frames.empty());
    EXPECT_TRUE(stopped.empty());

    // A usable frame gave the attempts back; now four stops with none between them.
    simCapture().injectFault(sourceID, sim::CaptureFault::stop,
                             desktop::captureError::failedApplicationConnectionInterrupted, 4);
    clock().advance(5);
    EXPECT_EQ(linesWith("流错误自动恢复: 第3/3 次").size(), 1u);
    ASSERT_EQ(stopped.size(), 1u);
    core::systemLog::setSink(nullptr);
    EXPECT_EQ(std::count_if(systemLog.begin(), systemLog.end(),
                            [](const std::string& line) { return line.rfind("Glimra stream stopped: ", 0) == 0; }),
              1);
}

TEST_F(StreamMirrorTest, AStoppedMirrorStaysStopped)
{
    simCapture().injectFault(sourceID, sim::CaptureFault::stop,
                             desktop::captureError::failedApplicationConnectionInterrupted, 1);
    startMirror();
    clock().advance(0.1);
    ASSERT_EQ(linesWith("流错误自动恢复: 第1/3 次").size(), 1u);
    // Stopped while the restart waits: it never comes.
    mirror->stop();
    clock().advance(60);
    EXPECT_FALSE(mirror->hasStream());
    EXPECT_EQ(capturingStreams(), 0);

    mirror->setPaused(true);
    mirror->setPaused(false);
    mirror->updateCapture(0, {300, 200});
    mirror->startFresh();
    clock().advance(60);
    EXPECT_FALSE(mirror->hasStream());
    EXPECT_FALSE(mirror->isPaused());
    EXPECT_TRUE(simCapture().streams().empty() || capturingStreams() == 0);
}

TEST_F(StreamMirrorTest, PauseIsKeptAcrossRebuilds)
{
    makeMirror();
    mirror->setPaused(true);
    mirror->startFresh();
    clock().runUntilIdle();
    EXPECT_TRUE(mirror->hasStream());
    EXPECT_EQ(capturingStreams(), 0);

    // A rebuild while paused starts paused too.
    mirror->updateCapture(0, {700, 500});
    clock().advance(1);
    EXPECT_EQ(capturingStreams(), 0);
    EXPECT_TRUE(frames.empty());

    mirror->setPaused(false);
    clock().advance(1);
    EXPECT_EQ(capturingStreams(), 1);
    EXPECT_FALSE(frames.empty());
}

TEST_F(StreamMirrorTest, ACoveredSourceAsksForParkingThenShowsTheFrozenNotice)
{
    startMirror();
    clock().advance(1);
    addApp(43, "Cover", "com.example.cover");
    addWindow(43, 600, {50, 50, 900, 700}, "Cover");
    clock().advance(3);
    EXPECT_EQ(parkRequests, (std::vector<desktop::WindowID>(3, sourceID)));
    EXPECT_EQ(frozenNotices, (std::vector<bool>{true}));

    world().removeWindow(600);
    clock().advance(1);
    EXPECT_EQ(frozenNotices, (std::vector<bool>{true, false}));
    EXPECT_EQ(linesWith("遮挡状态: 源窗口恢复可见（不再被完全遮挡）").size(), 1u);
}

TEST_F(StreamMirrorTest, WhereCoveredWindowsKeepDrawingACoverExplainsNothing)
{
    desktop().capture = std::make_shared<CaptureLikeX11>(desktop().capture);
    startMirror();
    clock().advance(1);
    addApp(43, "Cover", "com.example.cover");
    addWindow(43, 600, {50, 50, 900, 700}, "Cover");
    clock().advance(5);
    EXPECT_TRUE(parkRequests.empty());
    EXPECT_TRUE(frozenNotices.empty());
    EXPECT_TRUE(linesWith("遮挡状态").empty());
    EXPECT_TRUE(linesWith("遮挡自救").empty());
}

// Where frames show the live window, a picture that stays the same is a window that draws
// nothing, and a shrunk window's frames need no crop.
TEST_F(StreamMirrorTest, WhereFramesShowTheLiveWindowAStillSourceIsLeftAloneAndNeverCropped)
{
    desktop().capture = std::make_shared<CaptureLikeX11>(desktop().capture);
    world().setContent(sourceID, sim::Content::still);
    startMirror();
    // Twice the run of equal samples that starts the stale watchdog's attempt.
    clock().advance(8);
    EXPECT_TRUE(linesWith("内容僵死看门狗").empty());
    EXPECT_TRUE(linesWith("僵死看门狗").empty());
    EXPECT_TRUE(linesWith("重建流").empty());

    regions.clear();
    world().setFrame(sourceID, {100, 100, 400, 300});
    clock().advance(1);
    EXPECT_EQ(linesWith("源窗口实时变化 800x600 → 400x300，重建流跟随").size(), 1u);
    for (const auto& region : regions) EXPECT_EQ(region, core::Rect(0, 0, 1, 1));
}

// A display filter's picture holds whatever lies over the source: a window that came in
// front after the filter was built stays there until a rebuild excludes it.
TEST_F(StreamMirrorTest, InDisplayModesAStillPictureIsCheckedAsStaleWhereverFramesShowTheLiveWindow)
{
    desktop().capture = std::make_shared<CaptureLikeX11>(desktop().capture);
    defaults::Defaults::standard().set("captureMode", "displayExcluding");
    // Few frames: each composes the whole display.
    startMirror(4);
    clock().advance(1);
    addApp(43, "Cover", "com.example.cover");
    addWindow(43, 600, {50, 50, 900, 700}, "Cover", 0, sim::Content::still);
    clock().advance(5);
    EXPECT_EQ(linesWith("首次尝试（还没有历史独立证据，按原行为重建）").size(), 1u);
    EXPECT_EQ(linesWith("捕获模式: displayExcluding 排除上层窗口 1 个").size(), 1u);
}

TEST_F(StreamMirrorTest, AReleasedMirrorLeavesNothingBehind)
{
    startMirror();
    world().setFrame(sourceID, {100, 100, 500, 300});
    clock().advance(0.6);  // a resize follow is pending
    mirror.reset();
    clock().advance(5);
    EXPECT_EQ(capturingStreams(), 0);
    // The observer is gone: resizing now reaches nobody.
    world().setFrame(sourceID, {100, 100, 600, 300});
    clock().advance(1);
}
