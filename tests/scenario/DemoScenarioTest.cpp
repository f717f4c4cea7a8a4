#include "app/AppDelegate.h"
#include "scenario/EmptyApplication.h"
#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioRunner.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;

const std::string demo = std::string(GLIMRA_EXAMPLES_DIR) + "/demo.json";

scenario::RunResult runEmpty(const std::string& file, const std::string& folder)
{
    auto app = std::make_unique<scenario::EmptyApplication>();
    auto loaded = scenario::loadScenario(file, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return *refusal;
    return scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
}

// The demo as the executable runs it: with the application, whose own windows need the
// Qt application.
scenario::RunResult runDemo(const std::string& folder)
{
    testsupport::ensureQtApplication();
    auto app = std::make_unique<app::AppDelegate>();
    auto loaded = scenario::loadScenario(demo, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return *refusal;
    return scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
}

TEST(DemoScenario, ShowsTwoDisplaysThreeApplicationsTheirWindowsAndTwoMiniWindows)
{
    TempDir out;
    const auto result = runDemo(out.path());
    ASSERT_EQ(result.status, 0) << result.message;

    const json state = json::parse(readFile(out.path() + "/shown.json"));
    EXPECT_EQ(state["time"], 8.0);
    EXPECT_EQ(state["frontmost"], 501);
    EXPECT_EQ(state["pointer"], json::parse("[1800.0, 400.0]"));
    EXPECT_EQ(state["displays"].size(), 2u);
    // The seven registered hot keys (the hold key is watched, not registered).
    EXPECT_EQ(state["hotkeys"], json::parse(R"([
        {"id": 1, "code": 35, "mask": 2304}, {"id": 3, "code": 46, "mask": 2304}, {"id": 2, "code": 11, "mask": 2304},
        {"id": 4, "code": 13, "mask": 2304}, {"id": 5, "code": 17, "mask": 2304}, {"id": 6, "code": 3, "mask": 2304},
        {"id": 7, "code": 15, "mask": 2304}])"));
    ASSERT_EQ(state["statusItems"].size(), 1u);
    EXPECT_EQ(state["statusItems"][0]["title"], "") << "it shows its image alone";
    EXPECT_EQ(state["menus"], json::array());

    // The menu opened under the status item: the window rows after the header, the
    // commands below; the video picked from it, the terminal mirrored with ⌥⌘P.
    const json menu = json::parse(readFile(out.path() + "/menu.json"));
    ASSERT_EQ(menu["menus"].size(), 1u);
    EXPECT_EQ(menu["menus"][0]["items"][4], json::parse(R"({"view": "Browser · Video"})"));
    EXPECT_NEAR(menu["menus"][0]["frame"][1].get<double>(), 25, 1e-6);
    const auto lines = testsupport::logLines(out.path());
    const auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    EXPECT_TRUE(has("建窗: 原因=[菜单·窗口列表选中] 源=Browser(pid 502) 窗口#5150 聚焦=整窗"));
    EXPECT_TRUE(has("小窗化当前窗口: 前台=com.example.terminal pid=503"));
    EXPECT_TRUE(
        has("建窗: 原因=[快捷键/菜单·小窗化当前窗口(captureFrontmost)] 源=Terminal(pid 503) 窗口#6001 聚焦=整窗"));

    // The video's and the terminal's mini windows, tiled into the top-right corner of the
    // display each source lies on.
    ASSERT_EQ(state["panels"].size(), 2u);
    EXPECT_EQ(state["panels"][0]["source"], 5150);
    EXPECT_EQ(state["panels"][1]["source"], 6001);
    const json video = state["panels"][0]["frame"], terminal = state["panels"][1]["frame"];
    EXPECT_NEAR(video[0].get<double>() + video[2].get<double>(), 1512 - 16, 1e-6);
    EXPECT_NEAR(video[1].get<double>(), 25 + 16, 1e-6);
    EXPECT_NEAR(terminal[0].get<double>() + terminal[2].get<double>(), 1512 + 1920 - 16, 1e-6);
    EXPECT_NEAR(terminal[1].get<double>(), 25 + 16, 1e-6);
    for (const auto& panel : state["panels"]) {
        EXPECT_TRUE(panel["visible"].get<bool>()) << panel;
        EXPECT_GT(panel["framesShown"].get<long>(), 100) << panel;
    }

    // Front to back: Draft raised over Notes (minimised and restored in place), which the
    // editor's activation put back over the video when the pin was left, the video, the
    // terminal the file put forward, and the documents behind it. The mini windows float
    // above them.
    std::vector<std::uint32_t> ids;
    std::map<std::string, int> owners;
    int own = 0;
    for (const auto& w : state["windows"]) {
        if (w["own"].get<bool>()) {
            EXPECT_EQ(ids, std::vector<std::uint32_t>{}) << w;
            // The hover preview stays listed, ordered out.
            if (w["layer"] == 4)
                EXPECT_FALSE(w["onScreen"].get<bool>()) << w;
            else
                ++own;
            continue;
        }
        EXPECT_TRUE(w["onScreen"].get<bool>()) << w;
        ids.push_back(w["id"]);
        ++owners[w["owner"]];
        if (w["id"] == 5150) {
            EXPECT_EQ(w["frame"], json::parse("[700.0, 350.0, 760.0, 480.0]"));
        }
    }
    EXPECT_EQ(own, 3);  // the two mini windows and the status item
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{4243, 4242, 5150, 6001, 5151}));
    EXPECT_EQ(owners, (std::map<std::string, int>{{"Browser", 2}, {"Editor", 2}, {"Terminal", 1}}));

    EXPECT_EQ(json::parse(readFile(out.path() + "/state-3.5.json"))["time"], 3.5);
    for (const char* picture : {"menu.png", "desktop.png", "tiled.png", "preview.png", "pinned.png"})
        EXPECT_EQ(readFile(out.path() + "/" + picture).substr(1, 3), "PNG") << picture;
    EXPECT_TRUE(std::filesystem::exists(out.path() + "/data/Glimra/diag.log"));
}

// The preview's frame is the box the video's window is pinned into; Escape puts every
// window back where it was before the pin.
TEST(DemoScenario, HoversPinsAndLeavesTheVideosMiniWindow)
{
    TempDir out;
    ASSERT_EQ(runDemo(out.path()).status, 0);
    const auto read = [&](const std::string& file) { return json::parse(readFile(out.path() + "/" + file)); };
    const auto frames = [](const json& state) {
        std::map<unsigned, json> byId;
        for (const auto& w : state["windows"])
            if (!w["own"].get<bool>()) byId[w["id"].get<unsigned>()] = w["frame"];
        return byId;
    };

    const json hovered = read("preview.json");
    EXPECT_TRUE(hovered["panels"][0]["previewVisible"].get<bool>());
    json preview;
    for (const auto& w : hovered["windows"])
        if (w["own"].get<bool>() && w["layer"] == 4 && w["onScreen"].get<bool>()) preview = w;
    ASSERT_FALSE(preview.is_null());

    const json pinned = read("pinned.json");
    EXPECT_TRUE(pinned["panels"][0]["pinned"].get<bool>());
    EXPECT_TRUE(pinned["panels"][0]["takeover"].get<bool>());
    EXPECT_TRUE(testsupport::sameFrame(frames(pinned).at(5150), preview["frame"]))
        << frames(pinned).at(5150) << " " << preview["frame"];

    const json end = read("shown.json");
    EXPECT_EQ(frames(end), frames(read("state-3.5.json")));
    for (const auto& panel : end["panels"]) {
        EXPECT_FALSE(panel["pinned"].get<bool>()) << panel;
        EXPECT_FALSE(panel["takeover"].get<bool>()) << panel;
        EXPECT_FALSE(panel["previewVisible"].get<bool>()) << panel;
    }
}

// Notes, mirrored and then covered by the documents, is parked on a virtual display
// beyond the real ones, where it keeps drawing; uncovered, it comes back to its place.
TEST(DemoScenario, NotesIsParkedWhileCoveredAndComesBackToItsPlace)
{
    TempDir out;
    ASSERT_EQ(runDemo(out.path()).status, 0);
    const auto read = [&](const std::string& file) { return json::parse(readFile(out.path() + "/" + file)); };
    const auto notesFrame = [](const json& state) {
        for (const auto& w : state["windows"])
            if (w["id"] == 4242) return w["frame"];
        return json();
    };
    const json home = json::parse("[80.0, 80.0, 700.0, 500.0]");

    const json parked = read("parked.json");
    EXPECT_EQ(parked["parking"]["parked"], json::parse(R"([{"window": 4242, "pid": 501,
        "originalFrame": [80.0, 80.0, 700.0, 500.0], "virtualDisplay": 50001}])"));
    EXPECT_EQ(parked["displays"].size(), 3u);
    EXPECT_EQ(notesFrame(parked), json::parse("[3448.0, 1110.0, 700.0, 500.0]"));
    EXPECT_EQ(readFile(out.path() + "/parked.png").substr(1, 3), "PNG");

    const json end = read("state.json");
    EXPECT_EQ(end["time"], 17.0);
    EXPECT_EQ(notesFrame(end), home);
    EXPECT_TRUE(end["parking"]["parked"].empty());

    // Last, the settings window on its Shortcuts tab, in Chinese and then in English.
    EXPECT_EQ(readFile(out.path() + "/settings-zh.png").substr(1, 3), "PNG");
    EXPECT_EQ(readFile(out.path() + "/settings-en.png").substr(1, 3), "PNG");
    EXPECT_EQ(end["settings"]["appLanguage"], 2);
}

TEST(DemoScenario, TheExecutableWritesWhatTheRunnerWritesAndRefusesBadInput)
{
    // The executable has a Qt application, whose fonts write the titles in screenshots.
    testsupport::ensureQtApplication();
    TempDir inProcess, viaExecutable;
    ASSERT_EQ(runDemo(inProcess.path()).status, 0);
    const std::string scratch = viaExecutable.path();
    const std::string out = scratch + "/out";
    const auto run = [&](const std::string& arguments) {
        const auto outcome = testsupport::runGlimra(arguments, scratch);
        return std::pair(outcome.status, outcome.err);
    };
    EXPECT_EQ(run("--scenario " + demo + " --out " + out), std::pair(0, std::string()));
    // The launch line names the folder of the running executable: the test's or glimra's.
    EXPECT_EQ(testsupport::differingFiles(out, inProcess.path()), std::vector<std::string>{"data/Glimra/diag.log"});
    const auto withoutPath = [](std::vector<std::string> lines) {
        for (auto& line : lines)
            if (line.starts_with("启动 preflightScreen=")) line = line.substr(0, line.find(" path="));
        return lines;
    };
    EXPECT_EQ(withoutPath(testsupport::logLines(out)), withoutPath(testsupport::logLines(inProcess.path())));

    const std::string bad = scratch + "/bad.json";
    testsupport::writeFile(bad, R"({"steps": [{"at": 1, "do": "window.move", "id": 1, "frame": [0, 0]}]})");
    EXPECT_EQ(run("--scenario " + bad + " --out " + out),
              std::pair(2, std::string("steps[0].frame: expected 4 numbers\n")));
    EXPECT_EQ(run("--scenario " + bad).first, 2);
    EXPECT_EQ(run("--scenario " + scratch + "/missing.json --out " + out),
              std::pair(2, scratch + "/missing.json: cannot read\n"));
}

TEST(EmptyApplication, NotesSignalsAndQuitsAtOnce)
{
    TempDir folder;
    const std::string file = folder.path() + "/signal.json";
    testsupport::writeFile(
        file, R"({"until": 9, "steps": [{"at": 1, "do": "signal", "name": "SIGUSR1"}, {"at": 2, "do": "quit"}]})");
    const auto result = runEmpty(file, folder.path() + "/out");
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(readFile(folder.path() + "/out/data/Glimra/diag.log"), "09:00:01 signal SIGUSR1 received\n");
    EXPECT_EQ(json::parse(readFile(folder.path() + "/out/state.json"))["time"], 2.0);
}

}  // namespace
