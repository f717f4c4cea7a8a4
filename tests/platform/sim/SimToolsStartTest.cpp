#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

namespace {

class SimToolsStartTest : public testsupport::SimDesktopTest {};

TEST_F(SimToolsStartTest, ADetachedStartIsJournaledAndRunsNothing)
{
    const auto pid = desktop::tools().startDetached("/bin/sh", {"-c", "touch should-not-exist", "x"});
    ASSERT_TRUE(pid);
    EXPECT_GT(*pid, 0);
    EXPECT_FALSE(std::filesystem::exists("should-not-exist"));
    const auto starts = journalOf("tool.start");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0]["path"], "/bin/sh");
    EXPECT_EQ(starts[0]["arguments"], nlohmann::json({"-c", "touch should-not-exist", "x"}));
    EXPECT_EQ(starts[0]["pid"], *pid);
}

}  // namespace
