#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

using nlohmann::json;
using testsupport::holds;
using testsupport::journal;
using testsupport::logLines;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::TempDir;

const std::string parkingScenario = std::string(GLIMRA_SCENARIO_DIR) + "/parking.json";
const json notesHome = json::parse("[80.0, 80.0, 700.0, 500.0]");

json windowOf(const json& state, unsigned id)
{
    for (const auto& w : state["windows"])
        if (w["id"] == id) return w;
    return nullptr;
}

// tests/scenario/parking.json once for every case: Notes, mirrored, is covered and parked,
// comes back when uncovered, is parked again and comes back on activation; a palette of
// another application put on the virtual display is rescued; Notes is parked a third
// time and quit puts it back and tears the display down.
class ParkingScenario : public testsupport::ScenarioOnce<ParkingScenario> {
public:
    static std::string scenarioFile(const std::string&) { return parkingScenario; }
};

TEST_F(ParkingScenario, ACoveredSourceIsParkedAndComesBackWhenUncovered)
{
    const json parked = state("parked.json");
    ASSERT_EQ(parked["parking"]["parked"].size(), 1u);
    const json record = parked["parking"]["parked"][0];
    EXPECT_EQ(record["window"], 4242);
    EXPECT_EQ(record["pid"], 501);
    EXPECT_EQ(record["originalFrame"], notesHome);
    const unsigned virtualDisplay = record["virtualDisplay"].get<unsigned>();
    bool listed = false;
    for (const auto& display : parked["displays"])
        if (display["id"] == virtualDisplay) listed = display["virtual"].get<bool>();
    EXPECT_TRUE(listed);
    EXPECT_NE(windowOf(parked, 4242)["frame"], notesHome);

    const json restored = state("restored.json");
    EXPECT_TRUE(restored["parking"]["parked"].empty());
    EXPECT_EQ(windowOf(restored, 4242)["frame"], notesHome);
    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "[VD] 已停放 Editor #4242  (80,80 700x500) → 原点(1528,1012)  屏 #1 → #" +
                                 std::to_string(virtualDisplay)));
    EXPECT_TRUE(
        holds(lines, "[VD] 还原条件满足：窗口 #4242（Editor）原位 (80,80 700x500)已连续 2 跳（≈2s）不被任何窗口盖住"));
}

TEST_F(ParkingScenario, ParkedAgainItReturnsWhenItsApplicationIsActivated)
{
    EXPECT_EQ(state("parked-again.json")["parking"]["parked"].size(), 1u);
    const json activated = state("activated.json");
    EXPECT_TRUE(activated["parking"]["parked"].empty());
    EXPECT_EQ(windowOf(activated, 4242)["frame"], notesHome);
    EXPECT_TRUE(holds(logLines(out()), "[VD] 源应用被激活（pid 501，已确认在最前台）⇒ 交还它 1 个被停放的窗口"));
}

TEST_F(ParkingScenario, AForeignWindowOnTheVirtualDisplayIsRescuedToTheRealScreen)
{
    EXPECT_EQ(windowOf(state("stray.json"), 7001)["frame"], json::parse("[1700.0, 1100.0, 600.0, 300.0]"));
    EXPECT_EQ(windowOf(state("rescued.json"), 7001)["frame"], json::parse("[904.0, 674.0, 600.0, 300.0]"));
    EXPECT_TRUE(holds(logLines(out()),
                      "[VD] 外来窗口找回（在虚拟屏上稳定 5s）：Stray #7001 (1700,1100 600x300) → "
                      "(904,674 600x300)（屏 #50001 → #1）"));
}

TEST_F(ParkingScenario, QuitPutsTheParkedWindowBackAndTearsTheVirtualDisplayDown)
{
    EXPECT_EQ(state("before-quit.json")["parking"]["parked"].size(), 1u);
    const json end = state("state.json");
    EXPECT_EQ(windowOf(end, 4242)["frame"], notesHome);
    EXPECT_TRUE(end["parking"]["parked"].empty());
    for (const auto& display : end["displays"]) EXPECT_FALSE(display["virtual"].get<bool>()) << display;

    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "退出：还原 1 个被停放到虚拟屏的窗口"));
    // The display is destroyed, then one empty commit pushes it out of the arrangement.
    const auto events = journal(out());
    const auto destroyed =
        std::find_if(events.begin(), events.end(), [](const json& e) { return e["do"] == "virtualDisplay.destroy"; });
    ASSERT_NE(destroyed, events.end());
    ASSERT_NE(destroyed + 1, events.end());
    EXPECT_EQ((destroyed + 1)->at("do"), "display.configure");
    EXPECT_EQ((destroyed + 1)->at("changes"), json::array());
}

}  // namespace
