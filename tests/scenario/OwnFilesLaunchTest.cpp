#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;

using testsupport::modeOf;

// A run of the scenario in the scratch folder, given a bound only to fail: a launch that
// waits on a FIFO would never end.
int runToEnd(const std::string& file, const std::string& out, const std::string& scratch)
{
    testsupport::GlimraChild run({"--scenario", file, "--out", out}, scratch);
    const auto status = run.waitForExit(120);
    EXPECT_TRUE(status.has_value()) << "the run still waits";
    return status.value_or(-1);
}

}  // namespace

TEST(OwnFilesLaunch, ARunLeavesTheModeOfAFileInItsDataFolderThatIsAlsoLinkedFromOutside)
{
    TempDir scratch, outside;
    const std::string file = scratch.path() + "/world.json";
    testsupport::writeFile(file, "{}");
    const std::string out = scratch.path() + "/out";
    ASSERT_EQ(runToEnd(file, out, scratch.path()), 0) << readFile(scratch.path() + "/stderr.txt");

    // A file of this user's elsewhere, with a second name in the folder the launch tightens.
    const std::string theirs = outside.path() + "/theirs.txt";
    const std::string inside = out + "/data/Glimra/theirs.txt";
    testsupport::writeFile(theirs, "theirs\n");
    ::chmod(theirs.c_str(), 0644);
    ASSERT_EQ(::link(theirs.c_str(), inside.c_str()), 0);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(runToEnd(file, out, scratch.path()), 0) << readFile(scratch.path() + "/stderr.txt");
        EXPECT_EQ(modeOf(theirs), 0644u) << "run " << run;
        EXPECT_EQ(readFile(theirs), "theirs\n");
        EXPECT_EQ(fs::hard_link_count(theirs), 2u);
        EXPECT_EQ(modeOf(out + "/data/Glimra/diag.log"), 0600u);
        EXPECT_EQ(readFile(out + "/syslog.txt"), "[Glimra] 私有目录: " + inside + " 另有硬链接 ⇒ 不写入，不收紧\n");
    }
}
