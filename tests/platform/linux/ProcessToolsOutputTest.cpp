#include "platform/linux/ProcessTools.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessToolsOutputTest, BothStreamsAreCapturedAndOnlyTheLastMebibyteKept)
{
    linuxdesktop::ProcessTools tools;
    auto outcome = tools.run("/bin/sh", {"-c", "echo out; echo err >&2; exit 4"}, 5);
    EXPECT_EQ(outcome.exitStatus, 4);
    EXPECT_EQ(outcome.output, "out\nerr\n");

    // Three MiB through the pipe: the tool is not blocked, and the tail is what is kept.
    outcome = tools.run("/bin/sh", {"-c", "head -c 3145728 /dev/zero | tr '\\0' a; printf END >&2"}, 20);
    ASSERT_TRUE(outcome.succeeded());
    ASSERT_EQ(outcome.output.size(), desktop::ToolOutcome::outputCap);
    ASSERT_EQ(desktop::ToolOutcome::outputCap, 1u << 20);
    EXPECT_EQ(outcome.output.substr(outcome.output.size() - 4), "aEND");

    // What a tool said before it was killed is still there.
    outcome = tools.run("/bin/sh", {"-c", "echo started; exec sleep 10"}, 0.5);
    EXPECT_EQ(outcome.kind, desktop::ToolOutcome::Kind::timedOut);
    EXPECT_EQ(outcome.output, "started\n");
}

}  // namespace
