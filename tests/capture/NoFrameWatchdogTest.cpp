#include "capture/NoFrameWatchdog.h"

#include "support/DiagLines.h"

#include <gtest/gtest.h>

using NoFrameWatchdogTest = testsupport::DiagTest;

namespace {

// The poll's times at which the watchdog orders rebuilds, from 0 to the end.
std::vector<double> rebuildTimes(capture::NoFrameWatchdog& watchdog, double end, double frameAt = -1)
{
    std::vector<double> times;
    for (double t = 0.5; t <= end; t += 0.5) {
        if (t == frameAt) watchdog.frameSeen(t);
        if (watchdog.check(t, false, 0)) times.push_back(t);
    }
    return times;
}

}  // namespace

TEST_F(NoFrameWatchdogTest, AStreamThatNeverDeliversIsRebuiltAt2Then30Then300SecondsApart)
{
    capture::NoFrameWatchdog watchdog;
    watchdog.restartSilence(0);
    EXPECT_EQ(rebuildTimes(watchdog, 800), (std::vector<double>{2, 32, 62, 92, 122, 422, 722}));
    const auto lines = linesWith("帧活性: 已 ");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "帧活性: 已 2.0s 没收到任何帧（delivered 停在 0，窗口在屏、未暂停）→ 重建流（第 1/5 次）");
    EXPECT_NE(lines[6].find("（第 7/5 次）"), std::string::npos);
}

TEST_F(NoFrameWatchdogTest, OneFrameGivesTheQuotaBackAndAPausedOrHiddenMirrorIsNeverSilent)
{
    capture::NoFrameWatchdog watchdog;
    watchdog.restartSilence(0);
    EXPECT_EQ(rebuildTimes(watchdog, 40, 33), (std::vector<double>{2, 32}));
    EXPECT_EQ(watchdog.rebuildCount(), 0);
    EXPECT_EQ(linesWith("帧活性: 帧已恢复 → 无帧额度归还（原已用 2/5 次）").size(), 1u);

    capture::NoFrameWatchdog paused;
    paused.restartSilence(0);
    for (double t = 0.5; t <= 100; t += 0.5) EXPECT_FALSE(paused.check(t, true, 0));
    // Resumed: silence counts from the last paused tick.
    EXPECT_FALSE(paused.check(100.5, false, 0));
    EXPECT_FALSE(paused.check(101.5, false, 0));
    EXPECT_TRUE(paused.check(102, false, 0));

    // Nor is one off screen (the poll skips it): the silence counts from its return.
    for (const double t : {141.5, 142.5}) EXPECT_FALSE(paused.check(t, false, 0)) << t;
    EXPECT_TRUE(paused.check(143.5, false, 0));
}
