#include "scenario/OutputFiles.h"
#include "scenario/RecordingApplication.h"
#include "scenario/ScenarioRunner.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace {

using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// Every step kind the application can take now, one after another.
const char* everyStep = R"({
  "args": ["-glimra-test"],
  "clock": "2026-03-01T23:59:58",
  "settings": {"hoverPreviewDelay": 0.5},
  "displays": [{"id": 1, "frame": [0, 0, 1512, 982]}, {"id": 2, "frame": [1512, 0, 1920, 1080], "scale": 1}],
  "apps": [
    {"pid": 501, "name": "Editor", "windows": [{"id": 11, "title": "Notes", "frame": [10, 10, 400, 300]},
                                               {"id": 12, "frame": [50, 50, 400, 300], "content": "static"}]},
    {"pid": 502, "name": "Browser", "windows": [{"id": 21, "frame": [600, 100, 500, 400]}]}
  ],
  "steps": [
    {"at": 0.1, "do": "pointer", "to": [100, 100]},
    {"at": 0.2, "do": "mouseDown", "point": [120, 120]},
    {"at": 0.3, "do": "mouseUp"},
    {"at": 0.4, "do": "click", "point": [200, 200], "button": "right", "count": 2},
    {"at": 0.5, "do": "drag", "from": [10, 10], "to": [110, 60], "duration": 0.5, "steps": 5},
    {"at": 1.0, "do": "state", "file": "states/after-drag.json"},
    {"at": 1.0, "do": "keyDown", "code": 56},
    {"at": 1.1, "do": "keyUp", "code": 56},
    {"at": 1.2, "do": "key", "code": 3, "modifiers": ["cmd", "alt"]},
    {"at": 1.3, "do": "window.move", "id": 11, "frame": [20, 20, 300, 200]},
    {"at": 1.4, "do": "window.close", "id": 12},
    {"at": 1.5, "do": "window.minimize", "id": 21},
    {"at": 1.5, "do": "state", "file": "states/minimized.json"},
    {"at": 1.6, "do": "window.restore", "id": 21},
    {"at": 1.7, "do": "window.create", "pid": 502, "window": {"id": 22, "title": "New", "frame": [700, 200, 300, 200]}},
    {"at": 1.8, "do": "window.content", "id": 22, "content": "static"},
    {"at": 1.9, "do": "window.raise", "id": 11},
    {"at": 2.0, "do": "app.activate", "pid": 502},
    {"at": 2.1, "do": "app.hide", "pid": 501},
    {"at": 2.1, "do": "state", "file": "states/hidden.json"},
    {"at": 2.2, "do": "app.unhide", "pid": 501},
    {"at": 2.3, "do": "app.launch", "app": {"pid": 503, "name": "Terminal", "windows": [{"id": 31, "frame": [0, 500, 200, 100]}]}},
    {"at": 2.3, "do": "state", "file": "states/launched.json"},
    {"at": 2.4, "do": "app.quit", "pid": 503},
    {"at": 2.5, "do": "display.add", "display": {"id": 3, "frame": [0, 982, 800, 600]}},
    {"at": 2.6, "do": "display.move", "id": 3, "frame": [100, 982, 800, 600]},
    {"at": 2.7, "do": "display.remove", "id": 2},
    {"at": 2.75, "do": "capture.fault", "window": 11, "kind": "stop", "code": -3821},
    {"at": 2.9, "do": "permission", "screenRecording": false},
    {"at": 3.0, "do": "command", "name": "togglePauseAll"},
    {"at": 3.05, "do": "focus", "window": 11},
    {"at": 3.1, "do": "signal", "name": "SIGUSR1"},
    {"at": 3.15, "do": "virtualDisplay.terminate"},
    {"at": 3.2, "do": "screenshot", "file": "shots/all.png"},
    {"at": 3.2, "do": "screenshot", "file": "shots/one.png", "display": 3},
    {"at": 3.4, "do": "quit"}
  ]
})";

struct Outcome {
    scenario::RunResult result;
    std::vector<std::string> record;
};

Outcome runWith(const std::string& scenarioText, const std::string& folder,
                testsupport::RecordingApplication::Options options)
{
    TempDir input;
    const std::string file = input.path() + "/scenario.json";
    writeFile(file, scenarioText);
    auto record = std::make_shared<std::vector<std::string>>();
    Outcome run;
    auto app = std::make_unique<testsupport::RecordingApplication>(options, record);
    auto loaded = scenario::loadScenario(file, *app);
    run.result = std::holds_alternative<scenario::RunResult>(loaded)
                     ? std::get<scenario::RunResult>(loaded)
                     : scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
    run.record = *record;
    return run;
}

testsupport::RecordingApplication::Options everyStepOptions()
{
    return {
        .commands = {{"togglePauseAll", {}}},
        .streamWindow = 11,
        .exitOnSIGUSR2 = std::nullopt,
        .parking = {
            .parked = {{11, 501, {10, 10, 400, 300}, 7}}, .strayed = {}, .lent = {{21, 502, {600, 100, 500, 400}, 7}}}};
}

std::vector<std::uint32_t> windowIds(const json& state)
{
    std::vector<std::uint32_t> ids;
    for (const auto& w : state["windows"]) ids.push_back(w["id"]);
    return ids;
}

const json* windowIn(const json& state, std::uint32_t id)
{
    for (const auto& w : state["windows"])
        if (w["id"] == id) return &w;
    return nullptr;
}

TEST(ScenarioRun, EveryStepKindActsOnTheDesktopAndTheApplication)
{
    TempDir out;
    const Outcome run = runWith(everyStep, out.path(), everyStepOptions());
    ASSERT_EQ(run.result.status, 0) << run.result.message;
    EXPECT_EQ(run.result.message, "");

    // What reached the application, when.
    EXPECT_EQ(run.record, (std::vector<std::string>{
                              "0.00 launch -glimra-test",
                              "1.20 hotkey 1 pressed",
                              "1.20 hotkey 1 released",
                              "2.80 stream stopped -3821",  // at the first frame after the fault
                              "3.00 command togglePauseAll screenRecording=no",
                              "3.05 focus 11",
                              "3.10 signal SIGUSR1",
                              "3.40 quit",
                          }));

    const json afterDrag = json::parse(readFile(out.path() + "/states/after-drag.json"));
    EXPECT_EQ(afterDrag["time"], 1.0);
    EXPECT_EQ(afterDrag["pointer"], json::parse("[110.0, 60.0]"));
    EXPECT_EQ(afterDrag["frontmost"], 501);
    EXPECT_EQ(afterDrag["hotkeys"], json::parse(R"([{"id": 1, "code": 3, "mask": 2304}])"));
    EXPECT_EQ(windowIds(afterDrag), (std::vector<std::uint32_t>{11, 12, 21}));

    const json minimized = json::parse(readFile(out.path() + "/states/minimized.json"));
    EXPECT_EQ(windowIn(minimized, 12), nullptr);
    EXPECT_EQ((*windowIn(minimized, 11))["frame"], json::parse("[20.0, 20.0, 300.0, 200.0]"));
    EXPECT_EQ((*windowIn(minimized, 21))["minimized"], true);
    EXPECT_EQ((*windowIn(minimized, 21))["onScreen"], false);

    const json hidden = json::parse(readFile(out.path() + "/states/hidden.json"));
    EXPECT_EQ(hidden["frontmost"], 502);
    // Activation brought the browser's windows forward; then the raise put Notes in front.
    EXPECT_EQ(windowIds(hidden), (std::vector<std::uint32_t>{22, 21, 11}));
    EXPECT_EQ((*windowIn(hidden, 11))["onScreen"], false);
    EXPECT_EQ((*windowIn(hidden, 22))["title"], "New");
    EXPECT_EQ((*windowIn(hidden, 22))["owner"], "Browser");

    const json launched = json::parse(readFile(out.path() + "/states/launched.json"));
    EXPECT_EQ(windowIds(launched).front(), 31u);
    EXPECT_EQ((*windowIn(launched, 11))["onScreen"], true);

    const json last = json::parse(readFile(out.path() + "/state.json"));
    EXPECT_EQ(last["time"], 3.9);  // the quit path took half a second
    EXPECT_EQ(windowIn(last, 31), nullptr);
    EXPECT_EQ(last["displays"], json::parse(R"([
        {"id": 1, "frame": [0.0, 0.0, 1512.0, 982.0], "visibleFrame": [0.0, 0.0, 1512.0, 982.0], "virtual": false},
        {"id": 3, "frame": [100.0, 982.0, 800.0, 600.0], "visibleFrame": [100.0, 982.0, 800.0, 600.0], "virtual": false}])"));
    EXPECT_EQ(last["panels"], json::parse(R"([{"source": 11, "visible": true}])"));
    EXPECT_EQ(last["parking"], json::parse(R"({
        "parked": [{"window": 11, "pid": 501, "originalFrame": [10.0, 10.0, 400.0, 300.0], "virtualDisplay": 7}],
        "strayed": [],
        "lent": [{"window": 21, "pid": 502, "originalFrame": [600.0, 100.0, 500.0, 400.0], "virtualDisplay": 7}]})"));
    EXPECT_EQ(last["settings"], json::parse(R"({"launches": 1, "hoverPreviewDelay": 0.5})"));
    EXPECT_EQ(last["activationPolicy"], "accessory");

    // The keys of a state dump, in the documented order.
    std::vector<std::string> keys;
    const auto ordered = nlohmann::ordered_json::parse(readFile(out.path() + "/state.json"));
    for (auto it = ordered.begin(); it != ordered.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys,
              (std::vector<std::string>{"time", "frontmost", "activationPolicy", "pointer", "displays", "windows",
                                        "panels", "parking", "statusItems", "menus", "hotkeys", "settings", "guide"}));
    EXPECT_EQ(last["guide"], nullptr);
}

TEST(ScenarioRun, OutputFilesHoldTheLogsTheJournalAndThePictures)
{
    TempDir out;
    const Outcome run = runWith(everyStep, out.path(), everyStepOptions());
    ASSERT_EQ(run.result.status, 0) << run.result.message;

    // Time stamps come from the scenario's clock.
    // No virtual display was there to terminate.
    EXPECT_EQ(readFile(out.path() + "/data/Glimra/diag.log"),
              "23:59:58 launched -glimra-test\n00:00:01 virtualDisplay.terminate: no virtual display\n");
    EXPECT_EQ(readFile(out.path() + "/syslog.txt"), "[Glimra] launched\n");
    EXPECT_EQ(json::parse(readFile(out.path() + "/config/Glimra/defaults.json")),
              json::parse(R"({"launches": 1, "hoverPreviewDelay": 0.5})"));

    // What the application did to the desktop, "t" first and the rest in name order.
    const std::string journal = readFile(out.path() + "/desktop.jsonl");
    EXPECT_NE(journal.find(R"({"t":0.0,"do":"pointer.warp","to":[5.0,5.0]})"
                           "\n"),
              std::string::npos)
        << journal;
    EXPECT_NE(journal.find(R"("do":"hotkey.register")"), std::string::npos) << journal;

    // The first screenshot shows both remaining displays side by side, the second one.
    const auto pngSize = [](const std::string& bytes) {
        const auto be32 = [&](std::size_t at) {
            return (std::uint32_t(std::uint8_t(bytes[at])) << 24) | (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
                   (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) | std::uint32_t(std::uint8_t(bytes[at + 3]));
        };
        return bytes.size() > 24 && bytes.compare(1, 3, "PNG") == 0 ? std::pair(be32(16), be32(20)) : std::pair(0u, 0u);
    };
    EXPECT_EQ(pngSize(readFile(out.path() + "/shots/all.png")), std::pair(1512u + 800u, 982u));
    EXPECT_EQ(pngSize(readFile(out.path() + "/shots/one.png")), std::pair(800u, 600u));
}

TEST(ScenarioRun, TheSameFileGivesTheSameBytes)
{
    TempDir first, second;
    ASSERT_EQ(runWith(everyStep, first.path(), everyStepOptions()).result.status, 0);
    ASSERT_EQ(runWith(everyStep, second.path(), everyStepOptions()).result.status, 0);
    EXPECT_EQ(testsupport::folderContents(first.path()).size(), 12u);  // the manifest included
    EXPECT_EQ(testsupport::differingFiles(first.path(), second.path()), std::vector<std::string>{});

    // A rerun into the same folder starts from a clean slate: nothing accumulates.
    ASSERT_EQ(runWith(everyStep, second.path(), everyStepOptions()).result.status, 0);
    EXPECT_EQ(testsupport::differingFiles(first.path(), second.path()), std::vector<std::string>{});
}

TEST(ScenarioRun, HowARunEnds)
{
    const std::string world = R"("apps": [{"pid": 501, "windows": [{"id": 11, "frame": [0, 0, 100, 100]}]}])";
    {
        // An application that exits by itself gives the run its status and ends it there.
        TempDir out;
        const Outcome run = runWith("{" + world + R"(, "until": 10, "steps": [{"at": 1, "do": "signal", "name": "SIGUSR2"},
                                                                     {"at": 5, "do": "state", "file": "never.json"}]})",
                                    out.path(), {.commands = {}, .streamWindow = 0, .exitOnSIGUSR2 = 3, .parking = {}});
        EXPECT_EQ(run.result.status, 3);
        EXPECT_EQ(json::parse(readFile(out.path() + "/state.json"))["time"], 1.25);
        EXPECT_FALSE(std::filesystem::exists(out.path() + "/never.json"));
    }
    {
        // Without steps the run lasts until "until".
        TempDir out;
        const Outcome run = runWith("{" + world + R"(, "until": 2.5})", out.path(), {});
        EXPECT_EQ(run.result.status, 0);
        EXPECT_EQ(json::parse(readFile(out.path() + "/state.json"))["time"], 2.5);
    }
    {
        // A display that was there once but is gone when the screenshot is due.
        TempDir out;
        const Outcome run = runWith(
            "{" + world + R"(, "displays": [{"id": 1, "frame": [0, 0, 800, 600]}, {"id": 2, "frame": [800, 0, 800, 600]}],
            "steps": [{"at": 1, "do": "display.remove", "id": 2}, {"at": 2, "do": "screenshot", "file": "a.png", "display": 2}]})",
            out.path(), {});
        EXPECT_EQ(run.result.status, 1);
        EXPECT_EQ(run.result.message, "steps[1].display: display 2 is not connected");
        EXPECT_TRUE(std::filesystem::exists(out.path() + "/state.json"));
    }
    {
        // A refused scenario touches nothing.
        TempDir out;
        const Outcome run =
            runWith(R"({"steps": [{"at": 1, "do": "command", "name": "togglePauseAll"}]})", out.path() + "/run", {});
        EXPECT_EQ(run.result.status, 2);
        EXPECT_EQ(run.result.message, "steps[0].name: no such command \"togglePauseAll\"");
        EXPECT_TRUE(run.record.empty());
        EXPECT_FALSE(std::filesystem::exists(out.path() + "/run"));
    }
}

}  // namespace
