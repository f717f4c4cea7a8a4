#include "scenario/ControlsApplication.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioRunner.h"
#include "platform/core/Environment.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

namespace {

using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;

scenario::RunResult runInto(const std::string& folder, const std::string& steps, const std::string& extra = "")
{
    testsupport::ensureQtApplication();
    TempDir input;
    const std::string file = input.path() + "/scenario.json";
    testsupport::writeFile(file, R"({"steps": [)" + steps + "]" + extra + "}");
    auto app = std::make_unique<testsupport::ControlsApplication>();
    auto loaded = scenario::loadScenario(file, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return *refusal;
    return scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
}

// The lines the demo window's controls logged.
std::vector<std::string> actions(const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& line : testsupport::logLines(folder))
        if (line.rfind("launch ", 0) == 0 || line.rfind("opacity ", 0) == 0 || line.rfind("language ", 0) == 0 ||
            line.rfind("agree ", 0) == 0 || line.ends_with(" closed") || line == "checked" || line == "off clicked")
            found.push_back(line);
    return found;
}

json controlOf(const json& dump, const std::string& id)
{
    for (const auto& window : dump["windows"])
        for (const auto& control : window["controls"])
            if (control["id"] == id) return control;
    return nullptr;
}

TEST(ControlSteps, ControlsAreWorkedAsTheUserDoesAndDumpedIntoTheFolder)
{
    TempDir out;
    const auto result = runInto(out.path(), R"(
        {"at": 0.5, "do": "controls", "file": "before.json"},
        {"at": 1, "do": "control", "id": "demo.launchSwitch", "value": true},
        {"at": 1.1, "do": "control", "id": "demo.launchSwitch", "value": true},
        {"at": 1.2, "do": "control", "id": "demo.launchSwitch"},
        {"at": 2, "do": "control", "id": "demo.opacitySlider", "value": 370},
        {"at": 3, "do": "control", "id": "demo.languagePopup", "value": 1},
        {"at": 4, "do": "control", "id": "demo.offButton"},
        {"at": 5, "do": "control", "id": "demo.checkButton"},
        {"at": 5.5, "do": "state", "file": "state.after.json"},
        {"at": 6, "do": "controls", "file": "dumps/after.json"})");
    ASSERT_EQ(result.status, 0) << result.message;
    // A switch already at the value is left alone; a disabled button takes no click; the
    // button far down the scroll area is scrolled to and clicked.
    EXPECT_EQ(actions(out.path()),
              (std::vector<std::string>{"launch on", "launch off", "opacity 370", "language 1", "checked"}));

    const std::string beforeText = readFile(out.path() + "/before.json");
    ASSERT_FALSE(beforeText.empty());
    EXPECT_EQ(beforeText.back(), '\n');
    const json before = json::parse(beforeText);
    ASSERT_EQ(before["windows"].size(), 1u);
    EXPECT_EQ(before["windows"][0]["name"], "demo");
    EXPECT_EQ(before["windows"][0]["title"], "Demo");
    EXPECT_EQ(controlOf(before, "demo.opacitySlider"),
              json::parse(R"({"id": "demo.opacitySlider", "kind": "slider", "text": null, "value": 1000,
                              "enabled": true, "frame": [10.0, 50.0, 200.0, 20.0], "clipped": false})"));
    EXPECT_EQ(controlOf(before, "demo.languagePopup")["text"], "English");
    EXPECT_EQ(controlOf(before, "demo.offButton")["enabled"], false);

    const json after = json::parse(readFile(out.path() + "/dumps/after.json"));
    EXPECT_EQ(controlOf(after, "demo.launchSwitch")["value"], false);
    EXPECT_EQ(controlOf(after, "demo.opacitySlider")["value"], 370);
    EXPECT_EQ(controlOf(after, "demo.languagePopup")["value"], 1);
    EXPECT_EQ(controlOf(after, "demo.languagePopup")["text"], "简体中文");
    // Scrolled: the button now lies inside the 200-point-high content.
    const json button = controlOf(after, "demo.checkButton")["frame"];
    EXPECT_GE(button[1].get<double>(), 0);
    EXPECT_LE(button[1].get<double>() + button[3].get<double>(), 200);
    // The pointer clicked the button's centre (the window's left edge lies at 200).
    const json state = json::parse(readFile(out.path() + "/state.after.json"));
    EXPECT_EQ(state["pointer"][0], 200 + button[0].get<double>() + button[2].get<double>() / 2);

    const json manifest = json::parse(readFile(out.path() + "/.glimra-run.json"));
    for (const char* file : {"before.json", "dumps/after.json"})
        EXPECT_NE(std::find(manifest["files"].begin(), manifest["files"].end(), file), manifest["files"].end()) << file;
}

TEST(ControlSteps, AControlThatIsNotShownOrAValueItCannotTakeEndsTheRun)
{
    struct Case {
        std::string step;
        std::string message;
    };
    const std::vector<Case> cases{
        {R"("id": "guide.close")", R"(steps[0].id: no window "guide" is shown)"},
        {R"("id": "demo.tab9")", R"(steps[0].id: the window "demo" shows no control "demo.tab9")"},
        {R"("id": "demo.opacitySlider", "value": 1001)",
         R"(steps[0].value: 1001 is outside the range of the slider "demo.opacitySlider", 200 to 1000)"},
        {R"("id": "demo.opacitySlider")", R"(steps[0].value: the slider "demo.opacitySlider" needs an integer value)"},
        {R"("id": "demo.languagePopup", "value": 2)",
         R"(steps[0].value: the popup "demo.languagePopup" has no item 2 (it holds 2))"},
        {R"("id": "demo.languagePopup", "value": true)",
         R"(steps[0].value: the popup "demo.languagePopup" needs an item index)"},
        {R"("id": "demo.launchSwitch", "value": 1)",
         R"(steps[0].value: the switch "demo.launchSwitch" takes true or false)"},
        {R"("id": "demo.checkButton", "value": 0)",
         R"(steps[0].value: the button "demo.checkButton" takes no value, not 0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        TempDir out;
        const auto result = runInto(out.path(), R"({"at": 0.5, "do": "control", )" + c.step + "}");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.message, c.message);
        EXPECT_TRUE(actions(out.path()).empty());
    }
}

TEST(ControlSteps, ACheckBoxIsListedWithItsStateAndTickedAsTheUserDoes)
{
    TempDir out;
    const auto result = runInto(out.path(), R"(
        {"at": 0.5, "do": "controls", "file": "before.json"},
        {"at": 1, "do": "control", "id": "demo.agreeBox", "value": true},
        {"at": 1.1, "do": "control", "id": "demo.agreeBox", "value": true},
        {"at": 1.2, "do": "controls", "file": "ticked.json"},
        {"at": 1.3, "do": "control", "id": "demo.agreeBox"},
        {"at": 1.4, "do": "control", "id": "demo.agreeBox", "value": false})");
    ASSERT_EQ(result.status, 0) << result.message;
    // The click lands on the box, not on the empty right half of the wide control.
    EXPECT_EQ(actions(out.path()), (std::vector<std::string>{"agree on", "agree off"}));
    EXPECT_EQ(controlOf(json::parse(readFile(out.path() + "/before.json")), "demo.agreeBox"),
              json::parse(R"({"id": "demo.agreeBox", "kind": "checkbox", "text": "Agree", "value": false,
                              "enabled": true, "frame": [10.0, 170.0, 200.0, 20.0], "clipped": false})"));
    EXPECT_EQ(controlOf(json::parse(readFile(out.path() + "/ticked.json")), "demo.agreeBox")["value"], true);

    TempDir refused;
    const auto number = runInto(refused.path(), R"({"at": 0.5, "do": "control", "id": "demo.agreeBox", "value": 1})");
    EXPECT_EQ(number.status, 1);
    EXPECT_EQ(number.message, R"(steps[0].value: the checkbox "demo.agreeBox" takes true or false)");
}

TEST(ControlSteps, WindowCloseByTitleAsksTheFrontMostShownOwnWindowToClose)
{
    TempDir out;
    const auto result = runInto(out.path(), R"(
        {"at": 1, "do": "window.close", "title": "Demo"},
        {"at": 2, "do": "controls", "file": "one.json"},
        {"at": 3, "do": "window.close", "title": "Demo"},
        {"at": 4, "do": "controls", "file": "none.json"},
        {"at": 5, "do": "window.close", "title": "Demo"})");
    // The window in front goes first; with both gone the step finds none.
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message, R"(steps[4]: no own window titled "Demo" is shown)");
    EXPECT_EQ(actions(out.path()), (std::vector<std::string>{"other closed", "demo closed"}));
    EXPECT_EQ(json::parse(readFile(out.path() + "/one.json"))["windows"].size(), 1u);
    EXPECT_TRUE(json::parse(readFile(out.path() + "/none.json"))["windows"].empty());

    // The title as the window shows it, character for character.
    TempDir other;
    const auto lower = runInto(other.path(), R"({"at": 1, "do": "window.close", "title": "demo"})");
    EXPECT_EQ(lower.status, 1);
    EXPECT_EQ(lower.message, R"(steps[0]: no own window titled "demo" is shown)");
    EXPECT_TRUE(actions(other.path()).empty());
}

TEST(ControlSteps, TheApplicationSeesOnlyTheFilesEnvironment)
{
    setenv("GLIMRA_PROBE", "runner", 1);
    {
        TempDir out;
        ASSERT_EQ(runInto(out.path(), "").status, 0);
        const auto lines = testsupport::logLines(out.path());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "probe none"), lines.end());
    }
    {
        TempDir out;
        ASSERT_EQ(runInto(out.path(), "", R"(, "environment": {"GLIMRA_PROBE": "file"})").status, 0);
        const auto lines = testsupport::logLines(out.path());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "probe file"), lines.end());
    }
    // The process's own environment is back once the run is over.
    EXPECT_EQ(core::environmentValue("GLIMRA_PROBE"), "runner");
    unsetenv("GLIMRA_PROBE");
}

}  // namespace
