#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

namespace {

using nlohmann::json;
using testsupport::GlimraChild;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::TempDir;
using testsupport::writeFile;

// Runs the scenario text into scratch/out; its exit status.
int runScenario(const TempDir& scratch, const std::string& scenario)
{
    const std::string file = scratch.path() + "/scenario.json";
    writeFile(file, scenario);
    const auto outcome = runGlimra("--scenario " + file + " --out " + scratch.path() + "/out", scratch.path());
    EXPECT_EQ(outcome.err, "");
    return outcome.status;
}

json stateOf(const TempDir& scratch, const std::string& file)
{
    return json::parse(readFile(scratch.path() + "/out/" + file));
}

// The log's lines with their virtual time stamps ("09:00:08 …" is 8 s into the run).
std::vector<std::string> stampedLogLines(const TempDir& scratch)
{
    std::vector<std::string> lines;
    std::istringstream log(readFile(scratch.path() + "/out/data/Glimra/diag.log"));
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
}

// The editor's one window, still content, with the first-run guide done.
std::string withNotes(const std::string& frame, const std::string& steps, const std::string& until = "")
{
    return R"({"settings": {"onboardingCompleted": true},
        "apps": [{"pid": 501, "name": "Editor", "windows": [{"id": 4242, "title": "Notes", "frame": )" +
           frame + R"(, "content": "static"}]}],
        "steps": [)" +
           steps + "]" + (until.empty() ? "" : ", \"until\": " + until) + "}";
}

// The mini window opens at [231.4, 237.6, 337.3, 224.9]: its size badge is at (301, 251).
// Picking 3× grows it to [0, 68.9, 843.2, 562.1], under the pointer the menu left.
TEST(DesktopChangesScenario, AMiniWindowGrownUnderTheStillPointerHearsTheLeaveWhenThePointerMovesAway)
{
    TempDir scratch;
    ASSERT_EQ(runScenario(scratch, withNotes("[100, 150, 600, 400]", R"(
        {"at": 0.5, "do": "command", "name": "mirrorWindow", "window": 4242},
        {"at": 1.0, "do": "pointer", "to": [301, 251]},
        {"at": 1.2, "do": "click", "point": [301, 251]},
        {"at": 1.6, "do": "menu.choose", "title": "3×"},
        {"at": 2.5, "do": "state", "file": "picked.json"},
        {"at": 3.0, "do": "pointer", "to": [1400, 900]},
        {"at": 3.5, "do": "state", "file": "away.json"})")),
              0);
    const json picked = stateOf(scratch, "picked.json");
    ASSERT_EQ(picked["panels"].size(), 1u);
    EXPECT_EQ(picked["panels"][0]["sizeMultiplier"], 3.0);
    EXPECT_TRUE(picked["panels"][0]["previewVisible"].get<bool>());
    EXPECT_FALSE(stateOf(scratch, "away.json")["panels"][0]["previewVisible"].get<bool>());
}

// The mini window is 6.5 s old when its source is minimised at 7 s; the source is
// restored at 12 s. The source-alive check ticks at 7.5, 8.5, … and logs the banner's
// coming and the source's return, when the banner fades (0.2 s).
TEST(DesktopChangesScenario, AMinimisedSourceGetsTheFrozenBannerUntilItIsRestored)
{
    TempDir scratch;
    ASSERT_EQ(runScenario(scratch, withNotes("[100, 150, 600, 400]", R"(
        {"at": 0.5, "do": "command", "name": "mirrorWindow", "window": 4242},
        {"at": 7.0, "do": "window.minimize", "id": 4242},
        {"at": 12.0, "do": "window.restore", "id": 4242})",
                                             "14")),
              0);
    const auto lines = stampedLogLines(scratch);
    const auto banner = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.ends_with(" 画面定格: 源窗口已无新帧 id=4242");
    });
    ASSERT_NE(banner, lines.end());
    EXPECT_LT(banner->substr(0, 8), "09:00:09") << "within 2 s of the minimise";
    const auto back = std::find_if(
        banner, lines.end(), [](const std::string& line) { return line.ends_with(" 源窗口状态: visible id=4242"); });
    ASSERT_NE(back, lines.end());
    EXPECT_EQ(back->substr(0, 8), "09:00:12") << "the banner fades within 1 s of the restore";
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.find("捕获死亡检测") != std::string::npos; }));
}

TEST(DesktopChangesScenario, TheLargestWindowIsMirroredInBoundedMemory)
{
    TempDir scratch;
    const std::string file = scratch.path() + "/scenario.json";
    writeFile(file, withNotes("[0, 0, 16384, 16384]", R"(
        {"at": 0.5, "do": "command", "name": "mirrorWindow", "window": 4242},
        {"at": 1.5, "do": "state", "file": "mirrored.json"})"));
    // Its own peak: the figure of all children would hold any earlier test's run.
    GlimraChild glimra({"--scenario", file, "--out", scratch.path() + "/out"}, scratch.path());
    ASSERT_EQ(glimra.waitForExit(600), 0) << glimra.err();
    const json mirrored = stateOf(scratch, "mirrored.json");
    ASSERT_EQ(mirrored["panels"].size(), 1u);
    EXPECT_GT(mirrored["panels"][0]["framesShown"].get<int>(), 20);
    EXPECT_LT(glimra.peakResidentBytes(), 1LL << 30);
}

}  // namespace
