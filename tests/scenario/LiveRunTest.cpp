#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>

namespace {

using testsupport::GlimraChild;
using testsupport::readFile;
using testsupport::TempDir;

// Generous bounds for a busy machine; a child still running past them is killed.
constexpr double launchWait = 30;
constexpr double exitWait = 30;

// A line the application logs late in its launch, after its self-tests had their turn.
const std::string launchedLine = "已清空最小尺寸学习缓存";

const std::string world = R"({"settings": {"onboardingCompleted": true, "hoverPreviewDelay": 0.5},
                              "apps": [{"pid": 501, "windows": [{"id": 11, "frame": [10, 40, 400, 300]}]}],
                              "steps": [{"at": 0.5, "do": "state", "file": "never.json"}]})";

bool logHolds(const std::string& folder, const std::string& line)
{
    const auto lines = testsupport::logLines(folder);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> listed(const nlohmann::json& manifest, const char* key)
{
    return manifest[key].get<std::vector<std::string>>();
}

TEST(LiveRun, RunsUntilSIGTERMThenQuitsAndLeavesItsFilesInTheFolder)
{
    TempDir scratch, runtime;
    const std::string file = scratch.path() + "/world.json";
    const std::string out = scratch.path() + "/out";
    testsupport::writeFile(file, world);
    GlimraChild child({"--live", file, "--out", out}, scratch.path(), {{"XDG_RUNTIME_DIR", runtime.path()}});
    ASSERT_TRUE(child.started());

    ASSERT_TRUE(testsupport::waitUntil(launchWait, [&] { return !child.running() || logHolds(out, launchedLine); }));
    ASSERT_TRUE(child.running()) << child.err();
    // The application's signals reach it instead of ending the process.
    child.signal(SIGUSR1);
    child.signal(SIGUSR2);
    EXPECT_FALSE(child.waitForExit(0.5));
    child.signal(SIGTERM);
    EXPECT_EQ(child.waitForExit(exitWait), 0) << child.err();
    EXPECT_EQ(child.err(), "");

    // Its files went where a scenario run's go, without a runtime folder of its own and
    // without the steps' files.
    const auto manifest = nlohmann::json::parse(readFile(out + "/.glimra-run.json"));
    const auto files = listed(manifest, "files");
    for (const char* own : {"data/Glimra/diag.log", "desktop.jsonl", "syslog.txt", "config/Glimra/defaults.json"})
        EXPECT_NE(std::find(files.begin(), files.end(), own), files.end()) << own;
    EXPECT_EQ(listed(manifest, "folders"),
              (std::vector<std::string>{"config", "config/Glimra", "data", "data/Glimra", "tmp"}));
    for (const char* absent : {"runtime", "state.json", "never.json", "desktop.jsonl.partial", ".desktop.jsonl.partial"})
        EXPECT_FALSE(std::filesystem::exists(out + "/" + absent)) << absent;
}

TEST(LiveRun, LaunchArgumentsJoinTheFilesAndASelfTestEndsTheProcess)
{
    TempDir scratch, runtime;
    const std::string file = scratch.path() + "/world.json";
    const std::string out = scratch.path() + "/out";
    testsupport::writeFile(file, world);
    GlimraChild child({"--live", file, "-glimra-layout-selftest", "--out", out}, scratch.path(),
                      {{"XDG_RUNTIME_DIR", runtime.path()}});
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.waitForExit(launchWait + exitWait), 0) << child.err();
    EXPECT_FALSE(testsupport::logLines(out).empty());
    EXPECT_FALSE(logHolds(out, launchedLine));
    EXPECT_TRUE(std::filesystem::exists(out + "/.glimra-run.json"));
}

TEST(LiveRun, ARefusedFileOrFolderEndsBeforeAnythingRuns)
{
    TempDir scratch;
    testsupport::writeFile(scratch.path() + "/bad.json", R"({"until": "soon"})");
    GlimraChild bad({"--live", scratch.path() + "/bad.json", "--out", scratch.path() + "/out"}, scratch.path());
    EXPECT_EQ(bad.waitForExit(exitWait), 2);
    EXPECT_EQ(bad.err(), "until: expected a number\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/out"));

    testsupport::writeFile(scratch.path() + "/world.json", world);
    testsupport::writeFile(scratch.path() + "/full/mine.txt", "mine");
    GlimraChild full({"--live", scratch.path() + "/world.json", "--out", scratch.path() + "/full"}, scratch.path());
    EXPECT_EQ(full.waitForExit(exitWait), 1);
    EXPECT_EQ(full.err(), scratch.path() +
                              "/full is not empty and holds no .glimra-run.json of an earlier run; "
                              "nothing was touched\n");
}

}  // namespace
