#include "capture/FrameIntake.h"

#include "support/DiagLines.h"
#include "platform/core/SystemLog.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

// A buffer whose byte at offset i of row y is (7i + 13y) mod 256.
desktop::PixelBufferRef patterned(int width, int height, int shift = 0)
{
    auto buffer = std::make_shared<desktop::PixelBuffer>(width, height);
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < buffer->bytesPerRow; ++i)
            buffer->row(y)[i] = static_cast<std::uint8_t>(i * 7 + y * 13 + shift);
    }
    return buffer;
}

desktop::Frame usable(desktop::PixelBufferRef image)
{
    desktop::Frame frame;
    frame.status = desktop::FrameStatus::complete;
    frame.image = std::move(image);
    return frame;
}

desktop::Frame unusable()
{
    desktop::Frame frame;
    frame.status = desktop::FrameStatus::idle;
    return frame;
}

struct RecordingHost : capture::FrameIntake::Host {
    std::vector<std::string> events;
    void captureDied() override { events.push_back("dead"); }
    void captureRecovered() override { events.push_back("recovered"); }
    void frameWidthChanged() override { events.push_back("width"); }
    void contentChanged() override { events.push_back("changed"); }
    void contentStale() override { events.push_back("stale"); }
};

class FrameIntakeTest : public testsupport::DiagTest {
protected:
    bool take(const desktop::Frame& frame) { return intake.take(frame, now, {0, 0, 800, 600}, {800, 600}); }

    RecordingHost host;
    capture::FrameIntake intake{host};
    double now = 100;
};

}  // namespace

TEST(ContentFingerprint, MatchesIndependentlyComputedValues)
{
    // 128 bytes per row: the columns at 16 and 48 qualify; 80 and 112 would end past the row.
    EXPECT_EQ(capture::contentFingerprint(*patterned(32, 40)), 0xc0f30459537ace85ULL);
    // 256 bytes per row, one row: columns 32, 96 and 160.
    EXPECT_EQ(capture::contentFingerprint(*patterned(64, 1)), 0x450b218dae5eabe5ULL);
    // Too narrow, or empty.
    desktop::PixelBuffer narrow(31, 4);
    narrow.bytesPerRow = 127;
    EXPECT_EQ(capture::contentFingerprint(narrow), 0u);
    EXPECT_EQ(capture::contentFingerprint(desktop::PixelBuffer()), 0u);
}

TEST_F(FrameIntakeTest, DeathAfterTenUnusableSamplesAndRecoveryAfterFiveUsableFrames)
{
    // The first sample is unusable: still counted as the first frame.
    EXPECT_FALSE(take(unusable()));
    EXPECT_EQ(intake.framesDelivered(), 1);
    EXPECT_EQ(intake.framesApplied(), 0);
    EXPECT_EQ(linesWith("收到第一帧 (source=800x600)").size(), 1u);

    for (int i = 0; i < 8; ++i) take(unusable());
    EXPECT_TRUE(host.events.empty());
    // The tenth raises death before it is judged, whatever it is.
    EXPECT_TRUE(take(usable(patterned(64, 8))));
    EXPECT_EQ(host.events, (std::vector<std::string>{"dead", "width"}));
    EXPECT_TRUE(intake.captureDeadNotified());
    host.events.clear();

    // Four more usable frames are five since death; recovery comes with the sample after.
    for (int i = 0; i < 4; ++i) take(usable(patterned(64, 8)));
    EXPECT_TRUE(host.events.empty());
    take(unusable());
    EXPECT_EQ(host.events, (std::vector<std::string>{"recovered"}));
    EXPECT_EQ(linesWith("捕获死亡检测").size(), 2u);
}

TEST_F(FrameIntakeTest, ARebuildWhileDeadRecoversAfterFiveFramesOfTheNewStream)
{
    for (int i = 0; i < 30; ++i) take(usable(patterned(64, 8)));
    take(unusable());  // notes the last change of the applied count
    now += 1;
    for (int i = 0; i < 9; ++i) take(unusable());
    ASSERT_TRUE(intake.captureDeadNotified());

    intake.resetForRebuild();
    host.events.clear();
    for (int i = 0; i < 5; ++i) take(usable(patterned(64, 8)));
    EXPECT_TRUE(host.events.empty());
    take(usable(patterned(64, 8)));
    EXPECT_EQ(host.events, (std::vector<std::string>{"recovered"}));
}

TEST_F(FrameIntakeTest, ContentSamplesEveryHalfSecondCallTheStaleCheckAfterSixEqualOnes)
{
    const auto still = patterned(64, 8);
    take(usable(still));
    host.events.clear();
    for (int i = 1; i <= 5; ++i) {
        now += 0.5;
        take(usable(still));
        take(usable(still));  // within the spacing: not sampled
    }
    EXPECT_TRUE(host.events.empty());
    now += 0.5;
    take(usable(still));
    EXPECT_EQ(host.events, (std::vector<std::string>{"stale"}));

    // Six more equal samples for the next attempt.
    for (int i = 0; i < 5; ++i) {
        now += 0.5;
        take(usable(still));
    }
    EXPECT_EQ(host.events.size(), 1u);
    now += 0.5;
    take(usable(patterned(64, 8, 1)));
    EXPECT_EQ(host.events, (std::vector<std::string>{"stale", "changed"}));
    EXPECT_EQ(intake.lastContentChangeAt(), now);
    EXPECT_EQ(intake.lastStreamFp(), capture::contentFingerprint(*patterned(64, 8, 1)));
}

TEST_F(FrameIntakeTest, WidthChangesAndSystemLogLimits)
{
    std::vector<std::string> systemLog;
    core::systemLog::setSink([&](const std::string& line) { systemLog.push_back(line); });
    for (int i = 0; i < 7; ++i) take(unusable());
    core::systemLog::setSink(nullptr);
    EXPECT_EQ(systemLog.size(), 5u);
    EXPECT_EQ(systemLog.front(), "[Glimra] 第 1 帧状态非 complete（或无像素缓冲）");

    take(usable(patterned(64, 8)));
    take(usable(patterned(64, 8)));
    take(usable(patterned(32, 8)));
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "width"), 2);
}
