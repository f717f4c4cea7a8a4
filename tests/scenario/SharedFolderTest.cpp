#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace {

using testsupport::GlimraChild;
using testsupport::TempDir;

// Generous bounds for a busy machine; a child still running past them is killed.
constexpr double launchWait = 30;
constexpr double exitWait = 30;

// A line the application logs late in its launch.
const std::string launchedLine = "已清空最小尺寸学习缓存";

const std::string world = R"({"settings": {"onboardingCompleted": true},
                              "apps": [{"pid": 501, "windows": [{"id": 11, "frame": [10, 40, 400, 300]}]}]})";

bool launched(GlimraChild& child, const std::string& folder)
{
    return testsupport::waitUntil(
               launchWait,
               [&] { return !child.running() || testsupport::holds(testsupport::logLines(folder), launchedLine); }) &&
           child.running();
}

TEST(SharedFolder, ARunIntoAFolderAnotherRunHoldsIsRefusedAndTheOtherKeepsItsOutput)
{
    TempDir scratch, runtime;
    const std::string file = scratch.path() + "/world.json";
    testsupport::writeFile(file, world);
    // Named as given in the refusal, not as the run resolves it.
    const std::string out = scratch.path() + "/./out";
    GlimraChild first({"--live", file, "--out", out}, scratch.path(), {{"XDG_RUNTIME_DIR", runtime.path()}});
    ASSERT_TRUE(launched(first, out)) << first.err();

    TempDir second;
    const std::string busy = out + " is in use by another run (pid " + std::to_string(first.pid()) + ")\n";
    for (const std::string mode : {"--live", "--scenario"}) {
        const auto outcome = testsupport::runGlimra(mode + " " + file + " --out " + out, second.path(),
                                                    "XDG_RUNTIME_DIR=" + runtime.path());
        EXPECT_EQ(outcome.status, 1) << mode;
        EXPECT_EQ(outcome.err, busy) << mode;
    }
    EXPECT_TRUE(first.running());

    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(exitWait), 0) << first.err();
    EXPECT_TRUE(testsupport::holds(testsupport::logLines(out), launchedLine));
    for (const char* own : {".glimra-run.json", "desktop.jsonl", "syslog.txt", "config/Glimra/defaults.json"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + own)) << own;
    // Let go, the folder is the next run's, and no lock file is left in it.
    EXPECT_FALSE(std::filesystem::exists(out + "/.glimra-run.lock"));
    const auto next = testsupport::runGlimra("--scenario " + file + " --out " + out, second.path());
    EXPECT_EQ(next.status, 0) << next.err;
}

TEST(SharedFolder, LiveRunsWithoutARuntimeFolderMeetInTheUsersOwnFallback)
{
    // Each run's temporary folder is its own, so the fallback is found before it moves.
    TempDir scratch, temporary;
    const std::string file = scratch.path() + "/world.json";
    testsupport::writeFile(file, world);
    const std::map<std::string, std::string> environment{{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", temporary.path()}};
    GlimraChild first({"--live", file, "--out", scratch.path() + "/one"}, scratch.path(), environment);
    ASSERT_TRUE(launched(first, scratch.path() + "/one")) << first.err();

    TempDir secondScratch;
    GlimraChild second({"--live", file, "--out", scratch.path() + "/two"}, secondScratch.path(), environment);
    // The second copy finds the first and leaves.
    EXPECT_EQ(second.waitForExit(launchWait + exitWait), 0) << second.err();
    EXPECT_TRUE(first.running());
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(exitWait), 0) << first.err();
}

}  // namespace
