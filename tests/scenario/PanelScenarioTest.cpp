#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

namespace {

using nlohmann::json;
using testsupport::logLines;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::TempDir;
using testsupport::writeFile;

const std::string panelsScenario = std::string(GLIMRA_EXAMPLES_DIR) + "/panels.json";

// The lines from the first that equals `first`, as many as `expected` holds.
std::vector<std::string> linesFrom(const std::vector<std::string>& lines, const std::string& first, std::size_t count)
{
    const auto start = std::find(lines.begin(), lines.end(), first);
    if (start == lines.end()) return {};
    return {start, start + std::min<std::ptrdiff_t>(count, lines.end() - start)};
}

struct SelfTestRun {
    int status = -1;
    std::vector<std::string> lines;
};

SelfTestRun runSelfTest(const std::string& argument)
{
    TempDir scratch;
    const std::string file = scratch.path() + "/selftest.json";
    writeFile(file, R"({"settings": {"onboardingCompleted": true}, "args": [")" + argument + R"("], "until": 5})");
    const auto outcome = runGlimra("--scenario " + file + " --out " + scratch.path() + "/out", scratch.path());
    EXPECT_EQ(outcome.err, "");
    return {outcome.status, logLines(scratch.path() + "/out")};
}

TEST(PanelSelfTests, TheLayoutSelfTestLogsTheTiledFramesAndExits)
{
    const auto run = runSelfTest("-glimra-layout-selftest");
    EXPECT_EQ(run.status, 0);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(linesFrom(run.lines, "布局自检 右上：", 6), (std::vector<std::string>{
                                                              "布局自检 右上：",
                                                              "   #1 x=1176 y=733 320x201 右=1496 上=934",
                                                              "   #2 x=1096 y=471 400x250 右=1496 上=721",
                                                              "   #3 x=1176 y=258 320x201 右=1496 上=459",
                                                              "   #4 x=584 y=614 500x320 右=1084 上=934",
                                                              "   #5 x=764 y=401 320x201 右=1084 上=602",
                                                          }));
    EXPECT_EQ(linesFrom(run.lines, "布局自检 左下：", 6), (std::vector<std::string>{
                                                              "布局自检 左下：",
                                                              "   #1 x=16 y=16 320x201 右=336 上=217",
                                                              "   #2 x=16 y=229 400x250 右=416 上=479",
                                                              "   #3 x=16 y=491 320x201 右=336 上=692",
                                                              "   #4 x=428 y=16 500x320 右=928 上=336",
                                                              "   #5 x=428 y=348 320x201 右=748 上=549",
                                                          }));
    // The argument's line, then four corners of five frames each; the self-test ends the
    // launch before anything else is logged.
    EXPECT_EQ(run.lines.front(), "启动参数 -glimra-layout-selftest → 四角平铺布局自检");
    EXPECT_EQ(run.lines.size(), 1 + 4u * 6);
}

TEST(PanelSelfTests, TheSizeSelfTestLogsTheTableOnAWideScreen)
{
    const auto run = runSelfTest("-glimra-size-selftest");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.lines, (std::vector<std::string>{
                             "启动参数 -glimra-size-selftest → 小窗尺寸自检",
                             "尺寸自检（屏 3440x1410，倍数 1.2）：",
                             "   宽高比 0.500 → 352x704  面积 247739",
                             "   宽高比 0.797 → 444x558  面积 247739",
                             "   宽高比 1.000 → 498x498  面积 247739",
                             "   宽高比 1.600 → 630x393  面积 247739",
                             "   宽高比 2.000 → 704x352  面积 247739",
                             "   宽高比 2.440 → 777x319  面积 247739",
                             "   宽高比 3.500 → 931x266  面积 247739",
                             "   与旧算法对照（铺满屏幕 2.440）：新 777x319 vs 旧 777x319",
                         }));
}

TEST(PanelSelfTests, TheFocusSelfTestPassesAllEightCases)
{
    const auto run = runSelfTest("-glimra-focus-selftest");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.lines, (std::vector<std::string>{
                             "启动参数 -glimra-focus-selftest → 聚焦几何自检",
                             "聚焦自检（E=(0.050, 0.000, 0.900, 1.000) 源窗口=(100.000, 200.000, 800.000, 600.000)）：",
                             "聚焦自检: PASS 未聚焦 = E（零回归） —— → (0.050, 0.000, 0.900, 1.000)",
                             "聚焦自检: PASS 窗口底部 1/4 → y=0.5 —— x=0.000 y=0.500 w=0.500 h=0.500 占比=25%",
                             "聚焦自检: PASS 窗口顶部 1/4 → y=0 —— x=0.500 y=0.000 w=0.500 h=0.500 占比=25%",
                             "聚焦自检: PASS 任意比例（半宽全高） —— x=0.000 y=0.000 w=0.500 h=1.000 占比=50%",
                             "聚焦自检: PASS 越界裁成交集 —— x=0.750 y=0.000 w=0.250 h=0.167 占比=4%",
                             "聚焦自检: PASS 无交集 → 无效 —— → nil",
                             "聚焦自检: PASS 过小 → 无效 —— → nil",
                             "聚焦自检: PASS 复合比例正确 —— E=0.9000 期望=0.4500 实际=0.4500",
                             "聚焦自检: 结束 —— 8 项通过 / 0 项失败 —— 全部通过 ✅",
                         }));
}

// The main flow of examples/panels.json, run once through the executable.
class PanelsScenario : public testsupport::ScenarioOnce<PanelsScenario> {
public:
    static std::string scenarioFile(const std::string&) { return panelsScenario; }

protected:
    static json panel(const json& state, unsigned source)
    {
        for (const auto& p : state["panels"])
            if (p["source"] == source) return p;
        return nullptr;
    }
    static std::vector<unsigned> sources(const json& state)
    {
        std::vector<unsigned> ids;
        for (const auto& p : state["panels"]) ids.push_back(p["source"]);
        return ids;
    }
};

TEST_F(PanelsScenario, RunsToItsQuitWithoutComplaint)
{
    EXPECT_EQ(outcome_.status, 0);
    EXPECT_EQ(outcome_.err, "");
    EXPECT_EQ(readFile(out() + "/panels.png").substr(1, 3), "PNG");
    // The quit closed every panel.
    EXPECT_EQ(state("state.json")["panels"], json::array());
}

TEST_F(PanelsScenario, MirrorWindowOpensPanelsAndAnUnknownWindowIsOneLogLine)
{
    const json created = state("created.json");
    EXPECT_EQ(sources(created), (std::vector<unsigned>{4242, 5150, 6001}));
    const json focus = panel(created, 5150);
    EXPECT_EQ(focus["focus"], json::parse("[0.25, 0.25, 0.5, 0.5]"));
    EXPECT_EQ(panel(created, 4242)["focus"], json::parse("[0.0, 0.0, 1.0, 1.0]"));
    for (const auto& p : created["panels"]) {
        EXPECT_TRUE(p["visible"].get<bool>()) << p;
        EXPECT_EQ(p["alpha"], 1.0) << p;
        EXPECT_FALSE(p["pinned"].get<bool>()) << p;
        EXPECT_FALSE(p["previewVisible"].get<bool>()) << p;
        EXPECT_FALSE(p["takeover"].get<bool>()) << p;
        // The settings are of the wrong types, so they read as absent: the defaults.
        EXPECT_EQ(p["frameRate"], 30) << p;
        EXPECT_EQ(p["opacity"], 1.0) << p;
        EXPECT_EQ(p["sizeMultiplier"], 1.2) << p;
    }
    const auto lines = logLines(out());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "mirrorWindow: window not in the catalog id=9999"), 1);
}

TEST_F(PanelsScenario, TilingStacksEachScreensPanelsInTheTopRightCorner)
{
    const json tiled = state("tiled.json");
    // Display 1's visible frame is [0, 25, 1512, 957]: right edge 1496, top 41.
    const json first = panel(tiled, 4242), second = panel(tiled, 5150), third = panel(tiled, 6001);
    EXPECT_NEAR(first["frame"][0].get<double>() + first["frame"][2].get<double>(), 1496, 1e-6);
    EXPECT_NEAR(first["frame"][1].get<double>(), 41, 1e-6);
    EXPECT_NEAR(second["frame"][0].get<double>() + second["frame"][2].get<double>(), 1496, 1e-6);
    EXPECT_NEAR(second["frame"][1].get<double>(),
                first["frame"][1].get<double>() + first["frame"][3].get<double>() + 12, 1e-6);
    // The terminal's panel is alone on display 2: [1512, 0, 1920, 1080].
    EXPECT_NEAR(third["frame"][0].get<double>() + third["frame"][2].get<double>(), 3416, 1e-6);
    EXPECT_NEAR(third["frame"][1].get<double>(), 16, 1e-6);
}

TEST_F(PanelsScenario, ABarDragOntoTheVirtualDisplayIsRolledBack)
{
    EXPECT_EQ(panel(state("dragged.json"), 4242)["frame"], panel(state("tiled.json"), 4242)["frame"]);
    const auto lines = logLines(out());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "单击工具条→窗口拖动"), 1);
    EXPECT_NE(std::find_if(
                  lines.begin(), lines.end(),
                  [](const std::string& l) { return l.starts_with("小窗越界回滚: [Editor] #4242 拖动后压在虚拟屏上"); }),
              lines.end());
}

TEST_F(PanelsScenario, PauseAllPausesEveryPanelAndResumesThem)
{
    const json paused = state("paused.json"), resumed = state("replugged.json");
    for (const auto& p : paused["panels"]) EXPECT_TRUE(p["paused"].get<bool>()) << p;
    for (const auto& p : resumed["panels"]) EXPECT_FALSE(p["paused"].get<bool>()) << p;
}

TEST_F(PanelsScenario, ADisplayRemovalBringsItsWindowsAndPanelsOntoTheRemainingScreen)
{
    const json replugged = state("replugged.json");
    ASSERT_EQ(replugged["displays"].size(), 2u);
    EXPECT_TRUE(replugged["displays"][1]["virtual"].get<bool>());
    // The terminal's window kept its size and its place relative to the display it left.
    for (const auto& w : replugged["windows"]) {
        if (w["id"] == 6001) {
            EXPECT_EQ(w["frame"], json::parse("[488.0, 500.0, 1000.0, 450.0]"));
        }
    }
    // Its panel was re-sized for the primary screen and all three run down its right edge.
    const json moved = panel(replugged, 6001);
    EXPECT_NEAR(moved["frame"][0].get<double>() + moved["frame"][2].get<double>(), 1496, 1e-6);
    EXPECT_LT(moved["frame"][2].get<double>(), panel(state("tiled.json"), 6001)["frame"][2].get<double>());
    double top = 41;
    for (unsigned source : {4242u, 5150u, 6001u}) {
        const json p = panel(replugged, source);
        EXPECT_NEAR(p["frame"][1].get<double>(), top, 1e-6) << source;
        top += p["frame"][3].get<double>() + 12;
    }
    const auto lines = logLines(out());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "显示器变化: 已自动排列 3 扇小窗（右缘竖排）"), lines.end());
}

TEST_F(PanelsScenario, AClosedSourceClosesItsPanel)
{
    EXPECT_EQ(sources(state("closed.json")), (std::vector<unsigned>{4242, 6001}));
    const auto lines = logLines(out());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "源窗口已销毁，自动关闭小窗 id=5150"), 1);
}

// A command step gives exactly the fields its command takes, well-formed.
TEST(PanelCommands, StepsWithMissingExtraOrMalformedFieldsAreRefused)
{
    TempDir scratch;
    const auto refusal = [&](const std::string& step) {
        const std::string file = scratch.path() + "/bad.json";
        writeFile(file, R"({"apps": [{"pid": 501, "windows": [{"id": 11, "frame": [0, 0, 400, 300]}]}], "steps": [)" +
                            step + "]}");
        const auto outcome = runGlimra("--scenario " + file + " --out " + scratch.path() + "/out", scratch.path());
        return std::pair(outcome.status, outcome.err);
    };
    const auto refused = [](const std::string& line) { return std::pair(2, line + "\n"); };
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "mirrorWindow"})"),
              refused("steps[0].window: required by the command \"mirrorWindow\""));
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "closePanel", "region": [0, 0, 1, 1]})"),
              refused("steps[0].window: required by the command \"closePanel\""));
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "closePanel", "window": 11, "region": [0, 0, 1, 1]})"),
              refused("steps[0].region: not taken by the command \"closePanel\""));
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "tileAllAction", "window": 11})"),
              refused("steps[0].window: not taken by the command \"tileAllAction\""));
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "togglePauseAll", "colour": 1})"),
              refused("steps[0].colour: unknown key"));
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "mirrorWindow", "window": "11"})"),
              refused("steps[0].window: expected an integer"));
    EXPECT_EQ(refusal(R"({"at": 1, "do": "command", "name": "mirrorWindow", "window": 0})"),
              refused("steps[0].window: must be between 1 and 4294967295"));
    const std::string badRegion =
        "steps[0].region: expected [x, y, w, h] inside the window: x, y >= 0, w, h >= 0.04, x + w <= 1, y + h <= 1";
    for (const char* region : {"[0, 0, 1]", "[0, 0, 1, \"1\"]"})
        EXPECT_EQ(refusal(std::string(R"({"at": 1, "do": "command", "name": "mirrorWindow", "window": 11, "region": )") +
                          region + "}"),
                  refused("steps[0].region: expected 4 numbers"))
            << region;
    for (const char* region :
         {"[-0.1, 0, 0.5, 0.5]", "[0, 0, 0.03, 0.5]", "[0.6, 0, 0.5, 0.5]", "[0, 0.5, 0.5, 0.6]", "[0, 0, 0.5, -0.5]"})
        EXPECT_EQ(refusal(std::string(R"({"at": 1, "do": "command", "name": "mirrorWindow", "window": 11, "region": )") +
                          region + "}"),
                  refused(badRegion))
            << region;
    EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/out"));
    // The smallest region, reaching the far edge, is taken.
    EXPECT_EQ(
        refusal(R"({"at": 1, "do": "command", "name": "mirrorWindow", "window": 11, "region": [0.96, 0.5, 0.04, 0.5]})").first,
        0);
}

}  // namespace
