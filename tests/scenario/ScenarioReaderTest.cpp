#include "scenario/ScenarioParser.h"

#include <gtest/gtest.h>

namespace {

using scenario::readScenario;

// The one line a refused scenario prints, or "" when it is accepted.
std::string refusal(const std::string& text, const scenario::CommandCheck& hasCommand = {})
{
    const auto result = readScenario(text, hasCommand);
    if (const auto* error = std::get_if<scenario::ValidationError>(&result)) return error->text();
    return "";
}

scenario::Scenario accepted(const std::string& text)
{
    auto result = readScenario(text, {});
    if (const auto* error = std::get_if<scenario::ValidationError>(&result)) {
        ADD_FAILURE() << error->text();
        return {};
    }
    return std::get<scenario::Scenario>(std::move(result));
}

// A small valid world the cases below break one key at a time.
const std::string world = R"(
  "displays": [{"id": 1, "frame": [0, 0, 1512, 982]}, {"id": 2, "frame": [1512, 0, 1920, 1080]}],
  "apps": [{"pid": 501, "windows": [{"id": 11, "frame": [10, 10, 400, 300]}, {"id": 12, "frame": [50, 50, 400, 300]}]},
           {"pid": 502, "windows": [{"id": 21, "frame": [600, 100, 500, 400]}]}])";

std::string withSteps(const std::string& steps) { return "{" + world + R"(, "steps": [)" + steps + "]}"; }

struct Case {
    std::string text;
    std::string message;
};

void expectRefusals(const std::vector<Case>& cases, const scenario::CommandCheck& hasCommand = {})
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(refusal(c.text, hasCommand), c.message);
    }
}

TEST(ScenarioReader, UnknownKeysAreRefusedWithTheirPath)
{
    expectRefusals({
        {R"({"colour": 1})", "colour: unknown key"},
        {R"({"permissions": {"camera": true}})", "permissions.camera: unknown key"},
        {R"({"apps": [{"pid": 501, "windows": [{"id": 1, "frame": [0,0,1,1], "shadow": 2}]}]})",
         "apps[0].windows[0].shadow: unknown key"},
        {R"({"apps": [{"pid": 501, "behavior": {"trusted": true}}]})", "apps[0].behavior.trusted: unknown key"},
        // A key of another step kind is unknown to this one.
        {withSteps(R"({"at": 1, "do": "pointer", "to": [1, 2], "frame": [0, 0, 1, 1]})"),
         "steps[0].frame: unknown key"},
        {withSteps(R"({"at": 1, "do": "quit", "file": "x"})"), "steps[0].file: unknown key"},
    });
}

TEST(ScenarioReader, WrongTypesAreRefusedWithTheirPath)
{
    expectRefusals({
        {R"({"until": "soon"})", "until: expected a number"},
        {R"({"args": ["-a", 1]})", "args[1]: expected a string"},
        {R"({"settings": []})", "settings: expected an object"},
        {R"({"steps": {}})", "steps: expected a list"},
        {R"({"displays": [{"id": 1, "frame": [0, 0, 10, 10], "scale": "2"}]})", "displays[0].scale: expected a number"},
        {R"({"apps": [{"pid": 501.5}]})", "apps[0].pid: expected an integer"},
        {R"({"apps": [{"pid": 501, "hidden": 1}]})", "apps[0].hidden: expected true or false"},
        {R"({"apps": [{"pid": 501, "behavior": {"minSize": [100]}}]})", "apps[0].behavior.minSize: expected 2 numbers"},
        {withSteps(R"({"at": 1, "do": "pointer", "to": [1, 2]}, {"at": 2, "do": "pointer", "to": [1, 2]},
                      {"at": 3, "do": "window.raise", "id": 11}, {"at": 4, "do": "window.move", "id": 11, "frame": [1, 2, 3]})"),
         "steps[3].frame: expected 4 numbers"},
        {withSteps(R"({"at": 1, "do": "key", "code": 3, "modifiers": "cmd"})"), "steps[0].modifiers: expected a list"},
        {withSteps(R"({"at": 1, "do": "click", "point": [1, 2], "button": "middle"})"),
         "steps[0].button: expected one of left, right"},
        {withSteps(R"({"at": 1, "do": "window.content", "id": 11, "content": "moving"})"),
         "steps[0].content: expected one of animated, static"},
        {withSteps(R"(7)"), "steps[0]: expected an object"},
        {withSteps(R"({"at": 1, "do": 3})"), "steps[0].do: expected a string"},
    });
}

TEST(ScenarioReader, OutOfRangeValuesAreRefused)
{
    expectRefusals({
        {R"({"displays": [{"id": 1, "frame": [0, 0, 10, 10], "scale": 0}]})",
         "displays[0].scale: must be between 0.5 and 4.0"},
        {R"({"displays": [{"id": 0, "frame": [0, 0, 10, 10]}]})", "displays[0].id: must be between 1 and 4294967295"},
        {R"({"displays": [{"id": 1, "frame": [0, 0, 0, 10]}]})",
         "displays[0].frame: width and height must be above 0 and at most 16384"},
        {R"({"apps": [{"pid": 501, "windows": [{"id": 1, "frame": [0, 0, -5, 10]}]}]})",
         "apps[0].windows[0].frame: width and height must be between 0 and 16384"},
        {R"({"apps": [{"pid": 501, "behavior": {"refuseMoves": 0}}]})",
         "apps[0].behavior.refuseMoves: expected an error code, not 0"},
        {R"({"apps": [{"pid": 501, "behavior": {"settleDelay": -1}}]})",
         "apps[0].behavior.settleDelay: must be between 0.0 and 86400.0"},
        {R"({"clock": "2026-02-30T09:00:00"})", "clock: expected a time \"YYYY-MM-DDTHH:MM:SS\""},
        {R"({"clock": "2026-01-05 09:00:00"})", "clock: expected a time \"YYYY-MM-DDTHH:MM:SS\""},
        {R"({"languages": [""]})", "languages[0]: must not be empty"},
        {withSteps(R"({"at": -1, "do": "quit"})"), "steps[0].at: must be between 0.0 and 86400.0"},
        {withSteps(R"({"at": 1, "do": "key", "code": 300})"), "steps[0].code: must be between 0 and 127"},
        {withSteps(R"({"at": 1, "do": "click", "point": [1, 2], "count": 0})"),
         "steps[0].count: must be between 1 and 100"},
        {withSteps(R"({"at": 1, "do": "key", "code": 3, "modifiers": ["cmd", "hyper"]})"),
         "steps[0].modifiers[1]: expected one of cmd, alt, ctrl, shift, fn"},
        {withSteps(R"({"at": 1, "do": "signal", "name": "SIGKILL"})"),
         "steps[0].name: expected one of SIGUSR1, SIGUSR2"},
        {withSteps(R"({"at": 1, "do": "permission"})"), "steps[0]: expected screenRecording or accessibility"},
        // Output files stay inside the output folder.
        {withSteps(R"({"at": 1, "do": "state", "file": "../state.json"})"),
         "steps[0].file: expected a relative path inside the output folder"},
        {withSteps(R"({"at": 1, "do": "screenshot", "file": "/tmp/shot.png"})"),
         "steps[0].file: expected a relative path inside the output folder"},
        {withSteps(R"({"at": 1, "do": "state", "file": "shots/./a.json"})"),
         "steps[0].file: expected a relative path inside the output folder"},
        {withSteps(R"({"at": 1, "do": "state", "file": "data/Glimra/diag.log"})"),
         "steps[0].file: \"data\" is written by the run itself"},
        {withSteps(R"({"at": 1, "do": "state", "file": "state.json"})"),
         "steps[0].file: \"state.json\" is written by the run itself"},
    });
}

TEST(ScenarioReader, RequiredKeysAreNamed)
{
    expectRefusals({
        {R"({"displays": [{"frame": [0, 0, 10, 10]}]})", "displays[0].id: required"},
        {R"({"apps": [{"windows": []}]})", "apps[0].pid: required"},
        {R"({"apps": [{"pid": 501, "windows": [{"id": 4242}]}]})", "apps[0].windows[0].frame: required"},
        {withSteps(R"({"do": "quit"})"), "steps[0].at: required"},
        {withSteps(R"({"at": 1})"), "steps[0].do: required"},
        {withSteps(R"({"at": 1, "do": "pointer"})"), "steps[0].to: required"},
        {withSteps(R"({"at": 1, "do": "click"})"), "steps[0].point: required"},
        {withSteps(R"({"at": 1, "do": "capture.fault", "window": 11})"), "steps[0].kind: required"},
        {withSteps(R"({"at": 1, "do": "app.launch"})"), "steps[0].app: required"},
        {withSteps(R"({"at": 1, "do": "menu.choose"})"), "steps[0].title: required"},
    });
}

TEST(ScenarioReader, StatusItemAndMenuStepsTakeOnlyATitle)
{
    expectRefusals({
        {withSteps(R"({"at": 1, "do": "menu.choose", "title": ""})"), "steps[0].title: must not be empty"},
        {withSteps(R"({"at": 1, "do": "menu.choose", "title": 3})"), "steps[0].title: expected a string"},
        {withSteps(R"({"at": 1, "do": "statusItem.click", "point": [1, 1]})"), "steps[0].point: unknown key"},
        {withSteps(R"({"at": 1, "do": "statusItem.click"}, {"at": 2, "do": "menu.choose", "title": "平铺", "window": 11})"),
         "steps[1].window: unknown key"},
    });
    const auto scenario = accepted(
        withSteps(R"({"at": 1, "do": "statusItem.click"}, {"at": 2, "do": "menu.choose", "title": "平铺全部"})"));
    ASSERT_EQ(scenario.steps.size(), 2u);
    EXPECT_EQ(scenario.steps[0].kind, scenario::StepKind::statusItemClick);
    EXPECT_EQ(scenario.steps[1].kind, scenario::StepKind::menuChoose);
    EXPECT_EQ(scenario.steps[1].title, "平铺全部");
}

TEST(ScenarioReader, WindowCloseTakesAnIdOrAnOwnWindowsTitle)
{
    expectRefusals({
        {withSteps(R"({"at": 1, "do": "window.close"})"), "steps[0]: window.close takes either id or title"},
        {withSteps(R"({"at": 1, "do": "window.close", "id": 11, "title": "Notes"})"),
         "steps[0]: window.close takes either id or title"},
        {withSteps(R"({"at": 1, "do": "window.close", "title": ""})"), "steps[0].title: must not be empty"},
        {withSteps(R"({"at": 1, "do": "window.close", "title": 11})"), "steps[0].title: expected a string"},
        {withSteps(R"({"at": 1, "do": "window.close", "id": 99})"), "steps[0].id: no window 99"},
        // Only window.close takes a title.
        {withSteps(R"({"at": 1, "do": "window.raise", "title": "Notes"})"), "steps[0].title: unknown key"},
    });
    // An own window's title names no window of the file's world, and none is needed.
    const auto scenario = accepted(withSteps(R"({"at": 1, "do": "window.close", "title": "欢迎使用 Glimra"})"));
    ASSERT_EQ(scenario.steps.size(), 1u);
    EXPECT_EQ(scenario.steps[0].title, "欢迎使用 Glimra");
    EXPECT_EQ(scenario.steps[0].window, 0u);
}

TEST(ScenarioReader, StepsRunInOrderAndOnlyKnownKindsAndCommands)
{
    expectRefusals({
        {withSteps(R"({"at": 2, "do": "quit"}, {"at": 1, "do": "quit"})"), "steps[1]: comes after quit"},
        {withSteps(R"({"at": 2, "do": "pointer", "to": [0, 0]}, {"at": 1.5, "do": "pointer", "to": [0, 0]})"),
         "steps[1].at: before the end of the previous step (2.0)"},
        // A drag lasts its duration.
        {withSteps(R"({"at": 1, "do": "drag", "from": [0, 0], "to": [9, 9], "duration": 2},
                      {"at": 2.5, "do": "pointer", "to": [0, 0]})"),
         "steps[1].at: before the end of the previous step (3.0)"},
        {withSteps(R"({"at": 1, "do": "wobble"})"), "steps[0].do: unknown step \"wobble\""},
        {withSteps(R"({"at": 1, "do": "command", "name": "togglePauseAll"})"),
         "steps[0].name: no such command \"togglePauseAll\""},
        {R"({"until": 2, "steps": [{"at": 3, "do": "pointer", "to": [0, 0]}]})",
         "until: before the end of the last step (3.0)"},
    });
    EXPECT_EQ(refusal(withSteps(R"({"at": 1, "do": "command", "name": "togglePauseAll"})"),
                      [](const std::string& name) {
                          return name == "togglePauseAll" ? std::optional(app::CommandFields{}) : std::nullopt;
                      }),
              "");
}

TEST(ScenarioReader, IdsAreUniqueAndStepsNameExistingOnes)
{
    expectRefusals({
        {R"({"displays": [{"id": 1, "frame": [0, 0, 9, 9]}, {"id": 1, "frame": [9, 0, 9, 9]}]})",
         "displays[1].id: duplicate display 1"},
        {R"({"apps": [{"pid": 501}, {"pid": 501}]})", "apps[1].pid: duplicate application 501"},
        {R"({"apps": [{"pid": 100}]})", "apps[0].pid: 100 is the application's own pid"},
        {R"({"apps": [{"pid": 501, "windows": [{"id": 7, "frame": [0,0,1,1]}]},
                      {"pid": 502, "windows": [{"id": 7, "frame": [0,0,1,1]}]}]})",
         "apps[1].windows[0].id: duplicate window 7"},
        {"{" + world + R"(, "front": [21, 99]})", "front[1]: no window 99"},
        {"{" + world + R"(, "front": [21, 21]})", "front[1]: window 21 listed twice"},
        {"{" + world + R"(, "frontmost": 777})", "frontmost: no application 777"},
        {R"({"apps": [{"pid": 501, "hidden": true}], "frontmost": 501})", "frontmost: application 501 is hidden"},
        {withSteps(R"({"at": 1, "do": "window.minimize", "id": 99})"), "steps[0].id: no window 99"},
        {withSteps(R"({"at": 1, "do": "app.hide", "pid": 777})"), "steps[0].pid: no application 777"},
        {withSteps(R"({"at": 1, "do": "display.remove", "id": 3})"), "steps[0].id: no display 3"},
        {withSteps(R"({"at": 1, "do": "screenshot", "file": "a.png", "display": 3})"),
         "steps[0].display: no display 3"},
        {withSteps(R"({"at": 1, "do": "capture.fault", "window": 99, "kind": "stop"})"),
         "steps[0].window: no window 99"},
        {withSteps(R"({"at": 1, "do": "window.create", "pid": 501, "window": {"id": 21, "frame": [0, 0, 1, 1]}})"),
         "steps[0].window.id: duplicate window 21"},
        {withSteps(R"({"at": 1, "do": "app.launch", "app": {"pid": 502}})"),
         "steps[0].app.pid: duplicate application 502"},
        {withSteps(R"({"at": 1, "do": "display.add", "display": {"id": 2, "frame": [0, 0, 9, 9]}})"),
         "steps[0].display.id: duplicate display 2"},
    });
    // What a step creates, later steps may use.
    EXPECT_EQ(
        refusal(withSteps(R"({"at": 1, "do": "app.launch", "app": {"pid": 503, "windows": [{"id": 31, "frame": [0,0,5,5]}]}},
                                   {"at": 2, "do": "window.create", "pid": 503, "window": {"id": 32, "frame": [0, 0, 1, 1]}},
                                   {"at": 3, "do": "window.raise", "id": 31}, {"at": 3, "do": "window.close", "id": 32},
                                   {"at": 4, "do": "display.add", "display": {"id": 3, "frame": [0, 1080, 800, 600]}},
                                   {"at": 5, "do": "display.move", "id": 3, "frame": [0, 982, 800, 600]})")),
        "");
}

TEST(ScenarioReader, ParkingKeysAndStepsAreCheckedWithTheirPath)
{
    expectRefusals({
        {R"({"virtualDisplays": {"count": 1}})", "virtualDisplays.count: unknown key"},
        {R"({"virtualDisplays": {"available": "yes"}})", "virtualDisplays.available: expected true or false"},
        {R"({"virtualDisplays": {"modeDelay": "never"}})", "virtualDisplays.modeDelay: expected a number or null"},
        {R"({"virtualDisplays": {"modeDelay": -0.5}})", "virtualDisplays.modeDelay: must be between 0.0 and 86400.0"},
        {R"({"virtualDisplays": {"modeDelay": 1e300}})", "virtualDisplays.modeDelay: must be between 0.0 and 86400.0"},
        {R"({"virtualDisplays": {"lingerCommits": 1.5}})", "virtualDisplays.lingerCommits: expected an integer"},
        {R"({"virtualDisplays": {"lingerCommits": false}})",
         "virtualDisplays.lingerCommits: expected a number or null"},
        {R"({"virtualDisplays": {"lingerCommits": -1}})", "virtualDisplays.lingerCommits: must be between 0 and 1000"},
        {R"({"virtualDisplays": []})", "virtualDisplays: expected an object"},
        {R"({"windowServer": {"omitVirtualFromOnScreen": 1}})",
         "windowServer.omitVirtualFromOnScreen: expected true or false"},
        {R"({"windowServer": {"unreadableList": null}})", "windowServer.unreadableList: expected true or false"},
        {R"({"windowServer": {"hideAll": true}})", "windowServer.hideAll: unknown key"},
        {R"({"inputFaults": {"ignoreWarps": "true"}})", "inputFaults.ignoreWarps: expected true or false"},
        {R"({"inputFaults": {"ignoreClicks": true}})", "inputFaults.ignoreClicks: unknown key"},
        {R"({"apps": [{"pid": 501, "behavior": {"shiftMoves": [3]}}]})",
         "apps[0].behavior.shiftMoves: expected 2 numbers"},
        {R"({"apps": [{"pid": 501, "behavior": {"shiftMoves": [0, 2e6]}}]})",
         "apps[0].behavior.shiftMoves: x and y must be between -1000000 and 1000000"},
        {withSteps(R"({"at": 1, "do": "app.behavior", "pid": 501, "behavior": {"shiftMoves": {"x": 1}}})"),
         "steps[0].behavior.shiftMoves: expected 2 numbers"},
        {withSteps(R"({"at": 1, "do": "focus"})"), "steps[0].window: required"},
        {withSteps(R"({"at": 1, "do": "focus", "window": 0})"), "steps[0].window: must be between 1 and 4294967295"},
        {withSteps(R"({"at": 1, "do": "focus", "window": "11"})"), "steps[0].window: expected an integer"},
        {withSteps(R"({"at": 1, "do": "focus", "id": 11})"), "steps[0].id: unknown key"},
        {withSteps(R"({"at": 1, "do": "virtualDisplay.terminate", "id": 4294967296})"),
         "steps[0].id: must be between 1 and 4294967295"},
        {withSteps(R"({"at": 1, "do": "virtualDisplay.terminate", "display": 2})"), "steps[0].display: unknown key"},
    });

    // Absent keys keep the desktop's defaults; null means never and forever.
    const auto defaults = accepted("{}");
    const sim::SimVirtualDisplays::Options options;
    EXPECT_EQ(defaults.virtualDisplays.available, options.available);
    EXPECT_EQ(defaults.virtualDisplays.modeDelay, options.modeDelay);
    EXPECT_EQ(defaults.virtualDisplays.lingerCommits, options.lingerCommits);
    EXPECT_FALSE(defaults.windowServer.omitVirtualFromOnScreen);
    EXPECT_FALSE(defaults.windowServer.unreadableList);
    EXPECT_FALSE(defaults.ignoreWarps);

    const auto s =
        accepted("{" + world + R"(, "virtualDisplays": {"available": false, "modeDelay": null, "lingerCommits": null},
        "windowServer": {"omitVirtualFromOnScreen": true, "unreadableList": true}, "inputFaults": {"ignoreWarps": true},
        "steps": [{"at": 1, "do": "app.behavior", "pid": 501, "behavior": {"shiftMoves": [12, -7.5]}},
                  {"at": 2, "do": "focus", "window": 99}, {"at": 3, "do": "virtualDisplay.terminate"},
                  {"at": 4, "do": "virtualDisplay.terminate", "id": 7}]})");
    EXPECT_FALSE(s.virtualDisplays.available);
    EXPECT_EQ(s.virtualDisplays.modeDelay, std::nullopt);
    EXPECT_EQ(s.virtualDisplays.lingerCommits, std::nullopt);
    EXPECT_TRUE(s.windowServer.omitVirtualFromOnScreen);
    EXPECT_TRUE(s.windowServer.unreadableList);
    EXPECT_TRUE(s.ignoreWarps);
    ASSERT_EQ(s.steps.size(), 4u);
    EXPECT_EQ(s.steps[0].behavior.shiftMoves, core::Point(12, -7.5));
    // A window that may be gone or never was: the application answers it with a log line.
    EXPECT_EQ(s.steps[1].kind, scenario::StepKind::focus);
    EXPECT_EQ(s.steps[1].window, 99u);
    EXPECT_EQ(s.steps[2].virtualDisplay, std::nullopt);
    EXPECT_EQ(s.steps[3].virtualDisplay, 7u);

    const auto t = accepted(R"({"virtualDisplays": {"modeDelay": 0, "lingerCommits": 3}})");
    EXPECT_EQ(t.virtualDisplays.modeDelay, 0.0);
    EXPECT_EQ(t.virtualDisplays.lingerCommits, 3);
    EXPECT_EQ(t.virtualDisplays.available, options.available);
}

TEST(ScenarioReader, FilesThatAreNotAScenarioObject)
{
    EXPECT_EQ(refusal("[1, 2]"), "expected an object");
    EXPECT_EQ(refusal("{\"until\": }").rfind("not valid JSON: parse error at line 1, column 11", 0), 0u)
        << refusal("{\"until\": }");
}

std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

std::string zeros(std::size_t count)
{
    std::string path;
    while (count--) path += "[0]";
    return path;
}

TEST(ScenarioReader, InputBeyondItsBoundsIsRefusedNeverAborted)
{
    expectRefusals({
        // Beyond a double: the reader used to abort on these.
        {R"({"until": 1e400})", "until: 1e400 is out of range"},
        {R"({"apps": [{"pid": 501, "windows": [{"id": 1, "frame": [0, 0, -1e999, 1]}]}]})",
         "apps[0].windows[0].frame[2]: -1e999 is out of range"},
        {R"({"settings": {"a": [1, 2, 1e400]}})", "settings.a[2]: 1e400 is out of range"},
        // Numbers a double holds but no key accepts.
        {R"({"until": 1e308})", "until: must be between 0.0 and 86400.0"},
        {R"({"apps": [{"pid": 18446744073709551616}]})", "apps[0].pid: expected an integer"},
        {R"({"apps": [{"pid": 9223372036854775807}]})", "apps[0].pid: must be between 1 and 2147483647"},
        {R"({"displays": [{"id": 1, "frame": [1e308, 0, 10, 10]}]})",
         "displays[0].frame: x and y must be between -1000000 and 1000000"},
        {withSteps(R"({"at": 1, "do": "pointer", "to": [0, -1e300]})"),
         "steps[0].to: x and y must be between -1000000 and 1000000"},
        {R"({"displays": [{"id": 1, "frame": [0, 0, 10, 10], "mm": [1e9, 1]}]})",
         "displays[0].mm: width and height must be between 0 and 10000"},
        {R"({"apps": [{"pid": 501, "behavior": {"minSize": [-1, 5]}}]})",
         "apps[0].behavior.minSize: width and height must be between 0 and 16384"},
        {withSteps(R"({"at": 1, "do": "drag", "from": [0, 0], "to": [1, 1], "steps": 100000})"),
         "steps[0].steps: must be between 1 and 1000"},
        // Nesting: the whole file, a settings value included, at most 64 deep.
        {"{\"settings\": {\"takeoverLearnedMinSizes\": " + nested(63) + "}}",
         "settings.takeoverLearnedMinSizes" + zeros(62) + ": nested deeper than 64 levels"},
        {nested(100000), zeros(64) + ": nested deeper than 64 levels"},
        {R"({"until": 1, "until": 2})", "until: duplicate key"},
        {R"({"apps": [{"pid": 501, "name": "a", "name": "b"}]})", "apps[0].name: duplicate key"},
    });
    EXPECT_EQ(refusal("{\"settings\": {\"takeoverLearnedMinSizes\": " + nested(62) + "}}"), "");
    EXPECT_EQ(refusal("{\"until\": NaN}").rfind("not valid JSON: parse error at line 1, column 11", 0), 0u);
}

TEST(ScenarioReader, NoTwoStepsWriteTheSameFile)
{
    expectRefusals({
        {withSteps(R"({"at": 1, "do": "screenshot", "file": "shot.png"}, {"at": 2, "do": "state", "file": "shot.png"})"),
         "steps[1].file: \"shot.png\" is written by steps[0] already"},
        {withSteps(R"({"at": 1, "do": "state", "file": "a"}, {"at": 2, "do": "state", "file": "a/b.json"})"),
         "steps[1].file: \"a\" is the file of steps[0], not a folder"},
        {withSteps(R"({"at": 1, "do": "state", "file": "a/b/c.json"}, {"at": 2, "do": "state", "file": "a/b"})"),
         "steps[1].file: \"a/b\" is a folder for steps[0].file"},
        {withSteps(R"({"at": 1, "do": "state", "file": "runtime/x.json"})"),
         "steps[0].file: \"runtime\" is written by the run itself"},
        {withSteps(R"({"at": 1, "do": "state", "file": ".glimra-run.json"})"),
         "steps[0].file: \".glimra-run.json\" is written by the run itself"},
    });
    EXPECT_EQ(
        refusal(withSteps(R"({"at": 1, "do": "state", "file": "a/b.json"}, {"at": 2, "do": "state", "file": "a/c.json"},
                                   {"at": 3, "do": "state", "file": "ab.json"})")),
        "");
}

TEST(ScenarioReader, ControlStepsAndSystemKeysAreCheckedWithTheirPath)
{
    expectRefusals({
        {withSteps(R"({"at": 1, "do": "control"})"), "steps[0].id: required"},
        {withSteps(R"({"at": 1, "do": "control", "id": 3})"), "steps[0].id: expected a string"},
        {withSteps(R"({"at": 1, "do": "control", "id": "opacitySlider"})"),
         R"(steps[0].id: expected a window name, a dot and a control, e.g. "settings.opacitySlider")"},
        {withSteps(R"({"at": 1, "do": "control", "id": "settings."})"),
         R"(steps[0].id: expected a window name, a dot and a control, e.g. "settings.opacitySlider")"},
        {withSteps(R"({"at": 1, "do": "control", "id": "settings.opacitySlider", "value": 0.37})"),
         "steps[0].value: expected true, false or an integer"},
        {withSteps(R"({"at": 1, "do": "control", "id": "settings.languagePopup", "value": "en"})"),
         "steps[0].value: expected true, false or an integer"},
        {withSteps(R"({"at": 1, "do": "control", "id": "settings.opacitySlider", "value": 3000000000})"),
         "steps[0].value: must be between -2147483648 and 2147483647"},
        {withSteps(R"({"at": 1, "do": "control", "id": "settings.close", "file": "x"})"), "steps[0].file: unknown key"},
        {withSteps(R"({"at": 1, "do": "controls"})"), "steps[0].file: required"},
        {withSteps(R"({"at": 1, "do": "controls", "file": "../up.json"})"),
         "steps[0].file: expected a relative path inside the output folder"},
        {withSteps(R"({"at": 1, "do": "state", "file": "tab.json"}, {"at": 2, "do": "controls", "file": "tab.json"})"),
         "steps[1].file: \"tab.json\" is written by steps[0] already"},
        {R"({"environment": []})", "environment: expected an object"},
        {R"({"environment": {"GLIMRA_DEBUG_LAYOUT": 1}})", "environment.GLIMRA_DEBUG_LAYOUT: expected a string"},
        {R"({"environment": {"A=B": "1"}})", "environment.A=B: not a variable name"},
        {R"({"loginItem": {"enabled": true}})", "loginItem.enabled: unknown key"},
        {R"({"loginItem": {"notFound": "yes"}})", "loginItem.notFound: expected true or false"},
        {R"({"reservedHotkeys": {"code": 1, "mask": 256}})", "reservedHotkeys: expected a list"},
        {R"({"reservedHotkeys": [{"code": 128, "mask": 256}]})", "reservedHotkeys[0].code: must be between 0 and 127"},
        {R"({"reservedHotkeys": [{"code": 1}]})", "reservedHotkeys[0].mask: required"},
        {R"({"reservedHotkeys": [{"code": 1, "mask": -1}]})",
         "reservedHotkeys[0].mask: must be between 0 and 4294967295"},
    });

    const auto s = accepted(R"({"environment": {"GLIMRA_DEBUG_LAYOUT": "1"},
        "loginItem": {"registered": true, "requiresApproval": true},
        "reservedHotkeys": [{"code": 1, "mask": 2304}],
        "steps": [{"at": 1, "do": "control", "id": "settings.launchSwitch", "value": true},
                  {"at": 2, "do": "control", "id": "settings.hoverDelayRow.title"},
                  {"at": 3, "do": "controls", "file": "tabs/general.json"}]})");
    EXPECT_EQ(s.environment, (std::map<std::string, std::string>{{"GLIMRA_DEBUG_LAYOUT", "1"}}));
    EXPECT_TRUE(s.loginItem.registered);
    EXPECT_TRUE(s.loginItem.requiresApproval);
    EXPECT_FALSE(s.loginItem.notFound);
    ASSERT_EQ(s.reservedHotkeys.size(), 1u);
    EXPECT_EQ(s.reservedHotkeys[0].mask, 2304u);
    EXPECT_EQ(s.steps[0].value, scenario::ControlValue(true));
    EXPECT_EQ(s.steps[1].control, "settings.hoverDelayRow.title");
    EXPECT_FALSE(s.steps[1].value);
    EXPECT_EQ(s.steps[2].file, "tabs/general.json");
    EXPECT_TRUE(accepted("{}").environment.empty());
}

TEST(ScenarioReader, TheScriptedServerIsCheckedWithItsPath)
{
    expectRefusals({
        {R"({"server": {}})", "server: expected a list"},
        {R"({"server": [{"status": 200}]})", "server[0]: expected exactly one of url and path"},
        {R"({"server": [{"url": "https://a.example/x", "path": "/x"}]})",
         "server[0]: expected exactly one of url and path"},
        {R"({"server": [{"url": "ftp://a.example/x"}]})", "server[0].url: expected an http or https address"},
        {R"({"server": [{"path": "x"}]})", "server[0].path: expected a path starting with /"},
        {R"({"server": [{"path": "/x", "method": "get"}]})",
         "server[0].method: expected an upper-case method such as GET or POST"},
        {R"({"server": [{"path": "/x", "status": 600}]})", "server[0].status: must be between 100 and 599"},
        {R"({"server": [{"path": "/x", "status": 200.5}]})", "server[0].status: expected an integer"},
        {R"({"server": [{"path": "/x", "body": "a", "base64Body": "YQ=="}]})",
         "server[0]: expected at most one of body and base64Body"},
        {R"({"server": [{"path": "/x", "base64Body": "YQ="}]})", "server[0].base64Body: not base64"},
        {R"({"server": [{"path": "/x", "base64Body": "Y*=="}]})", "server[0].base64Body: not base64"},
        {R"({"server": [{"path": "/x", "headers": {"Bad Name": "1"}}]})",
         "server[0].headers.Bad Name: not a header name"},
        {R"({"server": [{"path": "/x", "headers": {"X-A": "1\r\nX-B: 2"}}]})",
         "server[0].headers.X-A: a header value holds no line break"},
        {R"({"server": [{"path": "/x", "delay": -1}]})", "server[0].delay: must be between 0.0 and 86400.0"},
        {R"({"server": [{"path": "/x", "bytesPerSecond": 0}]})", "server[0].bytesPerSecond: must be above 0"},
        {R"({"server": [{"path": "/x", "truncateAfter": -1}]})",
         "server[0].truncateAfter: must be between 0 and 9007199254740991"},
        {R"({"server": [{"path": "/x", "redirect": "/y", "status": 200}]})",
         "server[0].status: a redirect's status is 300 to 399"},
        {R"({"server": [{"path": "/x", "error": "cancelled"}]})",
         "server[0].error: expected one of timedOut, hostNotFound, refused, connectionLost, tlsFailed, "
         "certificateUntrusted, tooManyRedirects, insecureRedirect, other"},
        {R"({"server": [{"path": "/x", "answer": 1}]})", "server[0].answer: unknown key"},
    });

    const auto s = accepted(R"({"server": [
        {"url": "https://a.example/m.json", "base64Body": "AP8=", "headers": {"ETag": "v1"}, "delay": 1.5},
        {"path": "/old", "method": "POST", "redirect": "/new"},
        {"path": "/moved", "redirect": "https://b.example/", "status": 308},
        {"path": "/down", "error": "refused", "bytesPerSecond": 10, "truncateAfter": 3}]})");
    ASSERT_EQ(s.server.size(), 4u);
    EXPECT_EQ(s.server[0].body, std::string("\0\xff", 2));
    EXPECT_EQ(s.server[0].method, "GET");
    EXPECT_EQ(s.server[0].headers, (desktop::HttpHeaders{{"ETag", "v1"}}));
    EXPECT_EQ(s.server[0].delay, 1.5);
    EXPECT_EQ(s.server[1].status, 302) << "a redirect without a status";
    EXPECT_EQ(s.server[1].method, "POST");
    EXPECT_EQ(s.server[2].status, 308);
    EXPECT_EQ(s.server[3].error, desktop::UrlLoadError::refused);
    EXPECT_EQ(s.server[3].truncateAfter, 3u);
}

TEST(ScenarioReader, SystemKeysAreCheckedAndOverrideOnlyWhatTheyName)
{
    expectRefusals({
        {R"({"system": "Ubuntu"})", "system: expected an object"},
        {R"({"system": {"kernel": "6.1"}})", "system.kernel: unknown key"},
        {R"({"system": {"osVersion": 24.04}})", "system.osVersion: expected a string"},
        {R"({"system": {"osVersion": "24.04.1.2"}})",
         R"(system.osVersion: expected one to three decimal numbers joined by dots, e.g. "24.04")"},
        {R"({"system": {"osVersion": "rolling"}})",
         R"(system.osVersion: expected one to three decimal numbers joined by dots, e.g. "24.04")"},
        {R"({"system": {"osName": null}})", "system.osName: expected a string"},
        {R"({"system": {"architecture": ["x86_64"]}})", "system.architecture: expected a string"},
        {R"({"system": {"machineIdentifier": 7}})", "system.machineIdentifier: expected a string"},
    });

    const auto fixed = accepted("{}").system;
    EXPECT_EQ(fixed, (core::SystemInfo{core::OsVersion{24, 4, 0}, "Ubuntu", "x86_64", std::nullopt}));
    const auto named = accepted(R"({"system": {"osVersion": "12", "machineIdentifier": "test-uuid"}})").system;
    EXPECT_EQ(named, (core::SystemInfo{core::OsVersion{12, 0, 0}, "Ubuntu", "x86_64", "test-uuid"}));
    const auto unknown = accepted(R"({"system": {"osVersion": null, "osName": "Arch Linux", "architecture": "aarch64",
                                                 "machineIdentifier": null}})")
                             .system;
    EXPECT_EQ(unknown, (core::SystemInfo{std::nullopt, "Arch Linux", "aarch64", std::nullopt}));
}

TEST(ScenarioReader, DefaultsFillTheWorldAtLaunch)
{
    const auto s = accepted("{}");
    ASSERT_EQ(s.displays.size(), 1u);
    EXPECT_EQ(s.displays[0].id, 1u);
    EXPECT_EQ(s.displays[0].frame, core::Rect(0, 0, 1512, 982));
    EXPECT_EQ(s.displays[0].visibleFrame, s.displays[0].frame);
    EXPECT_EQ(s.displays[0].scale, 2.0);
    EXPECT_EQ(s.displays[0].refreshHz, 60.0);
    EXPECT_EQ(s.displays[0].mm, core::Size(344, 222));
    EXPECT_EQ(s.displays[0].name, "Display 1");
    EXPECT_EQ(s.languages, std::vector<std::string>{"zh-Hans-CN"});
    EXPECT_EQ(s.clock, 1767603600.0);
    EXPECT_TRUE(s.screenRecording);
    EXPECT_TRUE(s.accessibility);
    EXPECT_FALSE(s.frontmost);
    EXPECT_EQ(s.until, 1.0);

    const auto t =
        accepted(R"({"clock": "2026-03-01T23:59:30", "apps": [{"pid": 501, "windows": [{"id": 5, "frame": [1, 2, 3, 4]}]}],
                                "steps": [{"at": 2, "do": "drag", "from": [0, 0], "to": [5, 5], "duration": 1.5}]})");
    EXPECT_EQ(t.clock, 1772409570.0);
    EXPECT_EQ(t.frontmost, 501);
    EXPECT_EQ(t.apps[0].bundleID, "com.example.editor");
    EXPECT_EQ(t.apps[0].name, "Editor");
    EXPECT_EQ(t.apps[0].path, "/Applications/Editor.app");
    EXPECT_EQ(t.apps[0].windows[0].title, "Notes");
    EXPECT_EQ(t.apps[0].windows[0].content, sim::Content::animated);
    EXPECT_EQ(t.steps[0].moves, 10);
    EXPECT_EQ(t.until, 4.5);  // the end of the drag, plus one second
}

}  // namespace
