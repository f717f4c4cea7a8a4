#include "capture/StaleWatchdog.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

struct FakeHost : capture::StaleWatchdog::Host {
    bool paused = false;
    std::optional<core::Rect> bounds = core::Rect(0, 0, 800, 600);
    std::optional<std::string> occluder;
    std::optional<std::string> evidence;
    int withdrawals = 0;
    std::vector<std::string> rebuilds;

    bool mirrorPaused() override { return paused; }
    std::optional<core::Rect> sourceBounds() override { return bounds; }
    std::optional<std::string> occluderDescription() override { return occluder; }
    void withdrawFrozenNotice() override { ++withdrawals; }
    std::optional<std::string> windowEvidence() override { return evidence; }
    void rebuild(const std::string& reason) override { rebuilds.push_back(reason); }
};

class StaleWatchdogTest : public testsupport::DiagTest {
protected:
    void attemptAt(double now, double lastChange = 0) { watchdog.attempt(now, lastChange, {800, 600}, host); }

    FakeHost host;
    capture::StaleWatchdog watchdog;
};

}  // namespace

TEST(CgDigest, IsFnv1aOverEveryByteInUppercaseHex)
{
    desktop::PixelBuffer image(2, 1);
    image.bytes = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(capture::cgDigest(&image), "7EB5108B368A78ED");
    EXPECT_EQ(capture::cgDigest(nullptr), std::nullopt);
    desktop::PixelBuffer empty;
    EXPECT_EQ(capture::cgDigest(&empty), "CBF29CE484222325");
    EXPECT_EQ(capture::imageEvidence(std::make_shared<desktop::PixelBuffer>(image)), "2x1 7EB5108B368A78ED");
}

TEST_F(StaleWatchdogTest, AStillPageIsRebuiltOnceThenRecognisedByItsUnchangedImage)
{
    host.evidence = "800x600 AAAA";
    attemptAt(100);
    ASSERT_EQ(host.rebuilds.size(), 1u);
    EXPECT_EQ(host.rebuilds[0], capture::StaleWatchdog::rebuildReason);
    EXPECT_EQ(linesWith("依据：首次尝试").size(), 1u);

    // Within 30 s: cooling down, noted once.
    attemptAt(103);
    attemptAt(106);
    EXPECT_EQ(linesWith("僵死看门狗: 冷却中（额度 1/5，30s 节流内不重复记；此刻已冷却 3s）").size(), 1u);

    // Same image and no content change since it was taken: the page does not move.
    attemptAt(131);
    EXPECT_EQ(host.rebuilds.size(), 1u);
    EXPECT_EQ(watchdog.rebuildCount(), 1);
    EXPECT_EQ(linesWith("页面本来就不动").size(), 1u);
    EXPECT_EQ(host.withdrawals, 4);
}

TEST_F(StaleWatchdogTest, ChangingEvidenceOrNoEvidenceRebuildsAndTheSixthBacksOffLong)
{
    host.evidence = "800x600 AAAA";
    attemptAt(100);
    // Equal image, but the stream content changed after it was taken: the stream froze.
    attemptAt(131, 120);
    EXPECT_EQ(linesWith("依据：独立截图在变").size(), 1u);
    host.evidence.reset();
    double t = 131;
    for (int i = 3; i <= 5; ++i) attemptAt(t += 31);
    EXPECT_EQ(linesWith("依据：**取证失败**").size(), 3u);
    EXPECT_EQ(watchdog.rebuildCount(), 5);

    attemptAt(t += 31);
    EXPECT_EQ(linesWith("僵死看门狗: 已超额度 5 次，长退避中（300s 一次，不重复记）").size(), 1u);
    attemptAt(t += 200);
    EXPECT_EQ(host.rebuilds.size(), 5u);
    attemptAt(t += 100);
    ASSERT_EQ(host.rebuilds.size(), 6u);
    EXPECT_EQ(linesWith("（第 6 次，已超上限 → 转长退避每 300s 一次）").size(), 1u);

    // A content change gives the quota back.
    watchdog.contentChanged();
    EXPECT_EQ(watchdog.rebuildCount(), 0);
    EXPECT_EQ(linesWith("自救额度归还（原已用 6/5 次）").size(), 1u);
}

TEST_F(StaleWatchdogTest, PausedOffScreenAndCoveredSourcesAreNotedOncePerReason)
{
    host.paused = true;
    attemptAt(100);
    attemptAt(103);
    host.paused = false;
    host.bounds.reset();
    attemptAt(106);
    host.bounds = core::Rect(0, 0, 800, 600);
    host.occluder = "Safari(pid 7) 900x700@(0,0)";
    attemptAt(109);
    attemptAt(112);
    EXPECT_TRUE(host.rebuilds.empty());
    EXPECT_EQ(host.withdrawals, 0);
    const auto skips = linesWith("僵死看门狗: 跳过 —— ");
    ASSERT_EQ(skips.size(), 3u);
    EXPECT_EQ(skips[0], "僵死看门狗: 跳过 —— 已暂停。捕获=800x600 额度已用 0/5");
    EXPECT_NE(skips[2].find("Safari(pid 7) 900x700@(0,0)"), std::string::npos);
}
