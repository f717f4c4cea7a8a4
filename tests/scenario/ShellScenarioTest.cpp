#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

namespace {

using nlohmann::json;
using testsupport::GlimraChild;
using testsupport::holds;
using testsupport::logLines;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::TempDir;
using testsupport::writeFile;

const std::string shellScenario = std::string(GLIMRA_EXAMPLES_DIR) + "/shell.json";

// Each panel as (source, visible, paused).
std::vector<std::tuple<int, bool, bool>> panelsOf(const json& state)
{
    std::vector<std::tuple<int, bool, bool>> panels;
    for (const auto& panel : state["panels"])
        panels.emplace_back(panel["source"].get<int>(), panel["visible"].get<bool>(), panel["paused"].get<bool>());
    return panels;
}

// examples/shell.json once for every case: a menu pick, a trigger-block click, the
// frontmost-window hot key, the hold key, show/hide, pause and close-all hot keys, an
// Option-drag on the trigger block and SIGUSR2.
class ShellScenario : public testsupport::ScenarioOnce<ShellScenario> {
public:
    static std::string scenarioFile(const std::string&) { return shellScenario; }
};

TEST_F(ShellScenario, AMenuPickATriggerClickAndTheFrontmostHotKeyEachMakeOneMiniWindow)
{
    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "建窗: 原因=[菜单·窗口列表选中] 源=Browser(pid 502) 窗口#5150 聚焦=整窗"));
    EXPECT_TRUE(holds(lines, "建窗: 原因=[悬停触发块·点击] 源=Editor(pid 501) 窗口#4242 聚焦=整窗"));
    EXPECT_TRUE(holds(
        lines, "建窗: 原因=[快捷键/菜单·小窗化当前窗口(captureFrontmost)] 源=Terminal(pid 503) 窗口#6001 聚焦=整窗"));
    // The trigger's window was cached by the launch's fetch: made before the closing line.
    const auto made =
        std::find(lines.begin(), lines.end(), "建窗: 原因=[悬停触发块·点击] 源=Editor(pid 501) 窗口#4242 聚焦=整窗");
    EXPECT_LT(made, std::find(lines.begin(), lines.end(), "解析窗口 #4242: 原因=[悬停触发块·点击] 入口完成"));

    EXPECT_EQ(panelsOf(state("three.json")),
              (std::vector<std::tuple<int, bool, bool>>{{5150, true, false}, {4242, true, false}, {6001, true, false}}));
    // The block stood in the notes' top-right corner, above the windows.
    bool block = false;
    const json shown = state("trigger-block.json");
    for (const auto& w : shown["windows"])
        if (w["own"].get<bool>() && w["onScreen"].get<bool>() && w["frame"] == json::parse("[688.0, 88.0, 84.0, 56.0]"))
            block = true;
    EXPECT_TRUE(block);
}

TEST_F(ShellScenario, TheHoldKeyAndTheHotKeysHidePauseAndCloseEveryMiniWindow)
{
    for (const char* file : {"held.json", "toggled.json"})
        for (const auto& [source, visible, paused] : panelsOf(state(file))) EXPECT_FALSE(visible) << file << source;
    for (const auto& [source, visible, paused] : panelsOf(state("paused.json"))) {
        EXPECT_TRUE(visible) << source;
        EXPECT_TRUE(paused) << source;
    }
    EXPECT_TRUE(state("closed.json")["panels"].empty());
    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "按住热键: 临时收起 3/3 个小窗（松开恢复）"));
    EXPECT_TRUE(holds(lines, "按住热键: 松开 ⇒ 恢复 3 个小窗（本来就没显示的不动）"));
}

TEST_F(ShellScenario, AnOptionDragOnTheBlockMakesAFocusMiniWindowAndSIGUSR2TheSmallestWindowsOne)
{
    const json focus = state("focus.json");
    ASSERT_EQ(focus["panels"].size(), 1u);
    EXPECT_EQ(focus["panels"][0]["source"], 4242);
    EXPECT_NEAR(focus["panels"][0]["focus"][0].get<double>(), 320.0 / 700, 1e-3);
    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "悬停触发: ⌥ 拖拽 → 进入框选 id=4242"));
    EXPECT_TRUE(holds(lines, "建窗: 原因=[框选建窗（⌥⌘F / 悬停⌥拖拽）] 源=Editor(pid 501) 窗口#4242 聚焦=是"));

    EXPECT_TRUE(holds(lines, "USR2 捕捉最小窗口: #6001 owner=Terminal"));
    EXPECT_EQ(state("signalled.json")["panels"].size(), 2u);
    EXPECT_EQ(state("signalled.json")["panels"][1]["source"], 6001);
    // The seven hot keys stay registered to the end.
    EXPECT_EQ(state("state.json")["hotkeys"].size(), 7u);
}

struct FileRun {
    int status = -1;
    std::string err;
    std::string out;
};

FileRun runFile(const TempDir& scratch, const std::string& name, const std::string& contents)
{
    const std::string file = scratch.path() + "/" + name + ".json";
    writeFile(file, contents);
    const std::string out = scratch.path() + "/" + name;
    const auto outcome = runGlimra("--scenario " + file + " --out " + out, scratch.path());
    return {outcome.status, outcome.err, out};
}

const std::string apps = R"("apps": [{"pid": 501, "bundleID": "com.example.editor", "name": "Editor",
    "windows": [{"id": 4242, "title": "Notes", "frame": [80, 80, 700, 500]}]}])";
// The first-run guide is done with, so that it stays out of the way.
const std::string oneApp = R"("settings": {"onboardingCompleted": true}, )" + apps;

TEST(ShellInput, UnknownCommandsAndMenuTitlesAreRefusedAndBadHotKeySettingsFallBack)
{
    TempDir scratch;
    const FileRun unknown =
        runFile(scratch, "unknown", "{" + oneApp + R"(, "steps": [{"at": 1, "do": "command", "name": "createPanel"}]})");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("createPanel"), std::string::npos) << unknown.err;

    const FileRun missing = runFile(scratch, "missing", "{" + oneApp + R"(, "steps": [
        {"at": 0.5, "do": "statusItem.click"}, {"at": 0.7, "do": "menu.choose", "title": "Tile All"}]})");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "steps[1]: the front-most open menu holds no \"Tile All\"\n");

    // A code that is no integer, one beyond 127 and a mask with a foreign bit: the rows'
    // defaults.
    const FileRun settings = runFile(scratch, "settings", "{" + apps + R"(, "until": 1,
        "settings": {"onboardingCompleted": true, "captureHotKeyCode": "P", "toggleHotKeyCode": 300, "closeAllHotKeyFlags": 65536,
                     "tileAllHotKeyCode": 5}})");
    ASSERT_EQ(settings.status, 0) << settings.err;
    const json hotkeys = json::parse(readFile(settings.out + "/state.json"))["hotkeys"];
    EXPECT_EQ(hotkeys, json::parse(R"([
        {"id": 1, "code": 35, "mask": 2304}, {"id": 3, "code": 46, "mask": 2304}, {"id": 2, "code": 11, "mask": 2304},
        {"id": 4, "code": 13, "mask": 2304}, {"id": 5, "code": 5, "mask": 2304}, {"id": 6, "code": 3, "mask": 2304},
        {"id": 7, "code": 15, "mask": 2304}])"));
}

TEST(ShellSelfTests, TheFirstOfTheTableRunsAndTheDiagnosticsFileLandsInTheRunsTemporaryFolder)
{
    TempDir scratch;
    const FileRun both = runFile(
        scratch, "both", "{" + oneApp + R"(, "args": ["-glimra-diag-selftest", "-glimra-update-selftest"], "until": 5})");
    EXPECT_EQ(both.status, 0) << both.err;
    const auto lines = logLines(both.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "启动参数 -glimra-update-selftest → 更新链路自检");
    EXPECT_FALSE(std::filesystem::exists(both.out + "/tmp/glimra-diag.txt"));

    const FileRun diag = runFile(scratch, "diag", "{" + oneApp + R"(, "args": ["-glimra-diag-selftest"], "until": 5})");
    EXPECT_EQ(diag.status, 0) << diag.err;
    const std::string file = diag.out + "/tmp/glimra-diag.txt";
    EXPECT_FALSE(readFile(file).empty());
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const auto diagLines = logLines(diag.out);
    ASSERT_EQ(diagLines.size(), 2u);
    EXPECT_TRUE(diagLines[0].ends_with(" 字符 → " + file)) << diagLines[0];
    EXPECT_TRUE(diagLines[1].starts_with("帮助自检: 联系页 ")) << diagLines[1];
}

TEST(ShellSelfTests, TheMenuShotOpensTheMenuAndWritesItsPicture)
{
    TempDir scratch;
    const FileRun shot = runFile(scratch, "shot", "{" + oneApp + R"(, "args": ["-glimra-menu-shot"], "until": 20})");
    EXPECT_EQ(shot.status, 0) << shot.err;
    EXPECT_EQ(readFile(shot.out + "/tmp/glimra-menu-thumbs/menu-shot.png").substr(1, 3), "PNG");
    const auto lines = logLines(shot.out);
    for (const char* line : {"菜单截图: 进入调试模式", "菜单截图: 后台计时器触发"})
        EXPECT_TRUE(holds(lines, line)) << line;
    EXPECT_FALSE(holds(lines, "菜单截图: 看门狗超时，强制退出"));
    // The process ends with the shot, so the click never returns, and the line tells where
    // the picture really is.
    EXPECT_FALSE(holds(lines, "菜单截图: performClick 返回（菜单未跟踪或已关闭）"));
    const std::string wrote = "菜单截图: 写出 " + shot.out + "/tmp/glimra-menu-thumbs/menu-shot.png ";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(wrote); }), 1);
}

// Two live copies sharing a runtime folder: the second activates the first, which hears
// the reopen, and exits 0 before it shows a status item.
TEST(ShellInstances, ASecondLiveCopyExitsAndTheFirstKeepsRunningUntilSIGTERM)
{
    TempDir scratch, runtime;
    const std::string file = scratch.path() + "/world.json";
    writeFile(file, "{" + oneApp + "}");
    const std::map<std::string, std::string> environment{{"XDG_RUNTIME_DIR", runtime.path()}};
    GlimraChild first({"--live", file, "--out", scratch.path() + "/first"}, scratch.path(), environment);
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(testsupport::waitUntil(
        30, [&] { return !first.running() || holds(logLines(scratch.path() + "/first"), "已清空最小尺寸学习缓存"); }));
    ASSERT_TRUE(first.running()) << first.err();

    GlimraChild second({"--live", file, "--out", scratch.path() + "/second"}, scratch.path(), environment);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.waitForExit(30), 0) << second.err();
    const auto lines = logLines(scratch.path() + "/second");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("检测到已有实例 pid="); }),
              1);
    EXPECT_FALSE(holds(lines, "已清空最小尺寸学习缓存"));

    EXPECT_TRUE(first.running());
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(30), 0) << first.err();
}

// A relaunched copy waits until the copy that started it has given up the lock, then
// runs in its place instead of meeting it as a second instance.
TEST(ShellInstances, ARelaunchedCopyWaitsForTheLockAndTakesOver)
{
    TempDir scratch, runtime;
    const std::string file = scratch.path() + "/world.json";
    writeFile(file, "{" + oneApp + "}");
    const std::map<std::string, std::string> environment{{"XDG_RUNTIME_DIR", runtime.path()}};
    const auto launched = [&](const std::string& out) { return holds(logLines(out), "已清空最小尺寸学习缓存"); };
    GlimraChild first({"--live", file, "--out", scratch.path() + "/first"}, scratch.path(), environment);
    ASSERT_TRUE(testsupport::waitUntil(30, [&] { return !first.running() || launched(scratch.path() + "/first"); }));

    GlimraChild relaunched({"--live", file, "--out", scratch.path() + "/relaunched", "-glimra-await-instance-lock"},
                           scratch.path(), environment);
    EXPECT_FALSE(relaunched.waitForExit(1.0));
    EXPECT_FALSE(launched(scratch.path() + "/relaunched"));
    first.signal(SIGTERM);
    EXPECT_EQ(first.waitForExit(30), 0) << first.err();

    ASSERT_TRUE(
        testsupport::waitUntil(30, [&] { return !relaunched.running() || launched(scratch.path() + "/relaunched"); }));
    EXPECT_TRUE(relaunched.running()) << relaunched.err();
    relaunched.signal(SIGTERM);
    EXPECT_EQ(relaunched.waitForExit(30), 0) << relaunched.err();
}

}  // namespace
