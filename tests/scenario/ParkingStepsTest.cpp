#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

// The steps and the command that reach window parking through the application itself.
namespace {

using nlohmann::json;
using testsupport::logLines;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::TempDir;
using testsupport::writeFile;

const char* focusAndRescue = R"({
  "settings": {"onboardingCompleted": true},
  "apps": [{"pid": 501, "name": "Editor", "windows": [{"id": 11, "frame": [100, 100, 600, 400]}]},
           {"pid": 502, "name": "Browser", "bundleID": "com.example.browser", "windows": [{"id": 21, "frame": [300, 200, 600, 400]}]}],
  "frontmost": 502,
  "steps": [
    {"at": 1, "do": "state", "file": "before.json"},
    {"at": 1, "do": "focus", "window": 99},
    {"at": 2, "do": "state", "file": "unknown.json"},
    {"at": 2, "do": "focus", "window": 11},
    {"at": 3, "do": "state", "file": "focused.json"},
    {"at": 3, "do": "command", "name": "rescueNow"},
    {"at": 4, "do": "virtualDisplay.terminate"}
  ]
})";

std::size_t countOf(const std::vector<std::string>& lines, const std::string& part)
{
    return static_cast<std::size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::string& line) { return line.find(part) != std::string::npos; }));
}

json withoutTime(json state)
{
    state.erase("time");
    return state;
}

class ParkingSteps : public testsupport::ScenarioOnce<ParkingSteps> {
public:
    static std::string scenarioFile(const std::string& scratch)
    {
        const std::string file = scratch + "/scenario.json";
        writeFile(file, focusAndRescue);
        return file;
    }
};

TEST_F(ParkingSteps, AFocusOnAnUnknownWindowIsOneLogLineAndChangesNothing)
{
    const auto lines = logLines(out());
    EXPECT_EQ(countOf(lines, "id=99"), 1u);
    EXPECT_EQ(countOf(lines, "focus: window not in the window list id=99"), 1u);
    EXPECT_EQ(withoutTime(state("unknown.json")), withoutTime(state("before.json")));
    for (const auto& entry : testsupport::journal(out()))
        if (entry["t"].get<double>() >= 1 && entry["t"].get<double>() < 2) ADD_FAILURE() << entry.dump();
}

TEST_F(ParkingSteps, AFocusBringsTheWindowsApplicationForward)
{
    EXPECT_EQ(state("unknown.json")["frontmost"], 502);
    EXPECT_EQ(state("focused.json")["frontmost"], 501);
    EXPECT_EQ(countOf(logLines(out()), "focus: id=11 onScreen=true pid=501"), 1u);
}

TEST_F(ParkingSteps, RescueNowReachesTheCursorGuardAndTheStateListsTheParkingRecords)
{
    const auto lines = logLines(out());
    EXPECT_EQ(countOf(lines, "光标逃生：收到热键"), 1u);
    EXPECT_EQ(countOf(lines, "virtualDisplay.terminate: no virtual display"), 1u);
    EXPECT_EQ(state("state.json")["parking"], json::parse(R"({"parked": [], "strayed": [], "lent": []})"));
}

}  // namespace
