#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

// A virtual display that is there when the application starts, with another
// application's window on it, and no mini window or park that would start any watch.
namespace {

using nlohmann::json;
using testsupport::holds;
using testsupport::logLines;
using testsupport::writeFile;

const char* leftOverDisplay = R"({
  "settings": {"onboardingCompleted": true},
  "displays": [{"id": 1, "frame": [0, 0, 1512, 982]},
               {"id": 50001, "frame": [1512, 982, 1552, 1022], "virtual": true}],
  "apps": [{"pid": 601, "name": "Stray", "windows": [{"id": 7001, "frame": [1700, 1100, 600, 300]}]}],
  "until": 8
})";

class ParkingLaunch : public testsupport::ScenarioOnce<ParkingLaunch> {
public:
    static std::string scenarioFile(const std::string& scratch)
    {
        const std::string file = scratch + "/scenario.json";
        writeFile(file, leftOverDisplay);
        return file;
    }
};

TEST_F(ParkingLaunch, AWindowOnAVirtualDisplayPresentAtLaunchIsRescued)
{
    const json end = state("state.json");
    json window;
    for (const auto& w : end["windows"])
        if (w["id"] == 7001) window = w;
    EXPECT_EQ(window["frame"], json::parse("[904.0, 674.0, 600.0, 300.0]"));
    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "[VD] 外来窗口看守已启动（1s 心跳）"));
    EXPECT_TRUE(holds(lines,
                      "[VD] 外来窗口找回（在虚拟屏上稳定 5s）：Stray #7001 (1700,1100 600x300) → "
                      "(904,674 600x300)（屏 #50001 → #1）"));
}

}  // namespace
