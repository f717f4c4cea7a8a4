#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

namespace {

using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;

const std::string guideScenario = std::string(GLIMRA_EXAMPLES_DIR) + "/guide.json";
const std::string settingsBundle = "com.apple.systempreferences";
const std::string accessibilityPane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

// The texts the guide shows in the run's language.
struct Texts {
    std::string windowTitle;
    std::string next;
    std::string start;
    std::string dontShow;
};

json guideWindow(const json& controls)
{
    for (const auto& window : controls["windows"])
        if (window["name"] == "guide") return window;
    return nullptr;
}

json control(const json& controls, const std::string& id)
{
    const json window = guideWindow(controls);
    for (const auto& c : window["controls"])
        if (c["id"] == id) return c;
    return nullptr;
}

std::set<std::string> actorNames(const json& guide)
{
    std::set<std::string> names;
    for (const auto& [name, actor] : guide["scene"]["actors"].items()) names.insert(name);
    return names;
}

// The journal's entries of that kind whose key holds the value.
std::vector<json> journalOf(const std::string& out, const std::string& what, const std::string& key,
                            const std::string& value)
{
    std::vector<json> entries;
    for (const auto& entry : testsupport::journal(out))
        if (entry["do"] == what && entry.value(key, json()) == value) entries.push_back(entry);
    return entries;
}

json dumpIn(const std::string& out, const std::string& file) { return json::parse(readFile(out + "/" + file)); }

void expectGuideAtLaunch(const std::string& out, const Texts& texts)
{
    const json launch = dumpIn(out, "launch.json");
    const json& guide = launch["guide"];
    ASSERT_TRUE(guide.is_object()) << launch.dump(2);
    EXPECT_EQ(guide["step"], 0);
    EXPECT_EQ(guide["counter"], "1 / 6");
    EXPECT_EQ(guide["back"], false);
    EXPECT_EQ(guide["next"], texts.next);
    EXPECT_EQ(guide["dontShow"], false);
    EXPECT_EQ(guide["currentDot"], 0);
    EXPECT_EQ(guide["permissions"], nullptr);
    EXPECT_TRUE(guide["scene"].is_object());
    // A window of the application's own shows it, and the application is regular while it does.
    EXPECT_EQ(launch["activationPolicy"], "regular");
    const auto& windows = launch["windows"];
    EXPECT_TRUE(std::any_of(windows.begin(), windows.end(), [&](const json& w) {
        return w["own"] == true && w["onScreen"] == true && w["title"] == texts.windowTitle;
    }));
    EXPECT_EQ(launch["settings"]["onboardingStep"], 0) << "written when the guide first shows";
}

void expectEachStepsControlsAndScene(const std::string& out, const Texts& texts)
{
    std::set<std::string> pictures;
    for (int step = 1; step <= 6; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        const json shown = dumpIn(out, "step" + std::to_string(step) + "-controls.json");
        const json window = guideWindow(shown);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window["title"], texts.windowTitle);
        for (const auto& c : window["controls"]) EXPECT_FALSE(c["clipped"].get<bool>()) << c["id"] << " " << c["text"];
        EXPECT_EQ(control(shown, "guide.counterLabel")["text"], std::to_string(step) + " / 6");
        EXPECT_EQ(control(shown, "guide.prevButton")["enabled"], step > 1);
        EXPECT_EQ(control(shown, "guide.nextButton")["text"], step == 6 ? texts.start : texts.next);
        const json box = control(shown, "guide.dontShowSwitch");
        EXPECT_EQ(box["kind"], "checkbox");
        EXPECT_EQ(box["text"], texts.dontShow);
        EXPECT_EQ(box["value"], false);
        // The permission page's buttons only on its own step.
        EXPECT_EQ(control(shown, "guide.axButton") != nullptr, step == 6);
        EXPECT_EQ(control(shown, "guide.screenButton") != nullptr, step == 6);

        const std::string picture = step == 6 ? "permissions.png" : "step" + std::to_string(step) + ".png";
        const std::string bytes = readFile(out + "/" + picture);
        ASSERT_EQ(bytes.substr(1, 3), "PNG") << picture;
        pictures.insert(bytes);
    }
    EXPECT_EQ(pictures.size(), 6u) << "every step looks different";

    // Scenes dumped two seconds after their step came up (launch at 0; Next at 12).
    const json first = dumpIn(out, "step1.json")["guide"];
    EXPECT_DOUBLE_EQ(first["scene"]["time"].get<double>(), 2.0);
    EXPECT_EQ(actorNames(first), (std::set<std::string>{"windowA", "windowB", "block1", "block2", "pip1", "pip2",
                                                        "pointer", "dockIcon", "dockRing", "caption1", "caption2"}));
    const json fifth = dumpIn(out, "step5.json")["guide"];
    EXPECT_EQ(fifth["step"], 4);
    EXPECT_DOUBLE_EQ(fifth["scene"]["time"].get<double>(), 2.0);
    EXPECT_EQ(actorNames(fifth), (std::set<std::string>{"pip2", "grip", "circle", "defaultLabel", "pointer",
                                                        "resizeArrow", "caption1", "caption2"}));
    for (const auto& [name, actor] : fifth["scene"]["actors"].items()) {
        EXPECT_EQ(actor["frame"].size(), 4u) << name;
        EXPECT_EQ(actor["position"].size(), 2u) << name;
        EXPECT_GE(actor["opacity"].get<double>(), 0) << name;
        EXPECT_LE(actor["opacity"].get<double>(), 1) << name;
    }
}

void expectThePermissionPageFollowsTheGrant(const std::string& out, const Texts& texts)
{
    const json page = dumpIn(out, "permissions.json")["guide"];
    EXPECT_EQ(page["step"], 5);
    EXPECT_EQ(page["currentDot"], 5);
    EXPECT_EQ(page["next"], texts.start);
    EXPECT_EQ(page["scene"], nullptr);
    ASSERT_TRUE(page["permissions"].is_object());
    for (const char* kind : {"accessibility", "screenRecording"}) {
        EXPECT_EQ(page["permissions"][kind]["color"], "red") << kind;
        EXPECT_EQ(page["permissions"][kind]["button"], true) << kind;
    }

    // The accessibility button opens its pane, which starts the settings application;
    // no prompt is shown.
    const auto opened = journalOf(out, "url.open", "url", accessibilityPane);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]["t"], 16.0);
    const auto launched = journalOf(out, "app.launch", "bundleID", settingsBundle);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0]["t"], 16.0);
    for (const auto& entry : testsupport::journal(out)) EXPECT_NE(entry["do"], "ax.prompt");

    // Granted at 17.2: the next poll, within half a second, turns the card green and
    // quits the settings application.
    const json granted = dumpIn(out, "granted.json")["guide"];
    EXPECT_EQ(granted["permissions"]["accessibility"]["color"], "green");
    EXPECT_EQ(granted["permissions"]["screenRecording"]["color"], "red");
    const auto quit = journalOf(out, "app.terminate", "bundleID", settingsBundle);
    ASSERT_EQ(quit.size(), 1u);
    EXPECT_EQ(quit[0]["pid"], launched[0]["pid"]);
    EXPECT_EQ(quit[0]["result"], true);
    EXPECT_GT(quit[0]["t"].get<double>(), 17.2);
    EXPECT_LE(quit[0]["t"].get<double>(), 17.7);
}

void expectFinishingWithTheBoxTicked(const std::string& out, const Texts& texts)
{
    const json finished = dumpIn(out, "finished.json");
    EXPECT_EQ(finished["guide"], nullptr);
    EXPECT_EQ(finished["settings"]["onboardingCompleted"], true);
    EXPECT_FALSE(finished["settings"].contains("onboardingStep"));
    EXPECT_EQ(finished["activationPolicy"], "accessory");
    for (const auto& w : finished["windows"])
        EXPECT_FALSE(w["own"] == true && w["onScreen"] == true && w["title"] == texts.windowTitle) << w;
}

// examples/guide.json as it stands, or in another language: both permissions missing,
// the guide at launch, steps 1 to 5 by Next, the permission page by the shell's command,
// the accessibility pane, the grant, the box ticked and the guide finished.
class GuideScenario : public testsupport::ScenarioOnce<GuideScenario> {
public:
    static std::string scenarioFile(const std::string&) { return guideScenario; }
    static Texts texts() { return {"欢迎使用 Glimra", "下一步", "开始使用", "不再显示引导"}; }
};

TEST_F(GuideScenario, OpensAtLaunchWithoutEitherPermission) { expectGuideAtLaunch(out(), texts()); }
TEST_F(GuideScenario, ShowsEveryStepWithItsSceneAndNothingClipped) { expectEachStepsControlsAndScene(out(), texts()); }
TEST_F(GuideScenario, ThePermissionPageFollowsTheGrantAndQuitsTheSettingsApplication)
{
    expectThePermissionPageFollowsTheGrant(out(), texts());
}
TEST_F(GuideScenario, FinishingWithTheBoxTickedRecordsCompletion) { expectFinishingWithTheBoxTicked(out(), texts()); }

// The same run in English.
class EnglishGuideScenario : public testsupport::ScenarioOnce<EnglishGuideScenario> {
public:
    static std::string scenarioFile(const std::string& scratch)
    {
        json scenario = json::parse(readFile(guideScenario));
        scenario["languages"] = {"en-US"};
        const std::string file = scratch + "/guide-en.json";
        testsupport::writeFile(file, scenario.dump(2));
        return file;
    }
    static Texts texts() { return {"Welcome to Glimra", "Next", "Get Started", "Don't show the guide again"}; }
};

TEST_F(EnglishGuideScenario, OpensAtLaunchWithoutEitherPermission) { expectGuideAtLaunch(out(), texts()); }
TEST_F(EnglishGuideScenario, ShowsEveryStepWithItsSceneAndNothingClipped)
{
    expectEachStepsControlsAndScene(out(), texts());
}
TEST_F(EnglishGuideScenario, ThePermissionPageFollowsTheGrantAndQuitsTheSettingsApplication)
{
    expectThePermissionPageFollowsTheGrant(out(), texts());
}
TEST_F(EnglishGuideScenario, FinishingWithTheBoxTickedRecordsCompletion)
{
    expectFinishingWithTheBoxTicked(out(), texts());
}

// The guide at launch, on the step stored, without either permission.
testsupport::ProcessOutcome runOnGuide(const TempDir& scratch, const std::string& steps)
{
    const std::string file = scratch.path() + "/guide.json";
    testsupport::writeFile(file, R"({"settings": {"onboardingStep": 2},
        "permissions": {"screenRecording": false, "accessibility": false}, "steps": [)" +
                                     steps + "]}");
    return testsupport::runGlimra("--scenario " + file + " --out " + scratch.path() + "/out", scratch.path());
}

TEST(GuideSteps, ClosedByItsTitleTheGuideGoesAndKeepsItsStep)
{
    TempDir scratch;
    const auto outcome = runOnGuide(scratch, R"({"at": 1, "do": "window.close", "title": "欢迎使用 Glimra"},
                                                 {"at": 1.5, "do": "state", "file": "closed.json"})");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const json closed = dumpIn(scratch.path() + "/out", "closed.json");
    EXPECT_EQ(closed["guide"], nullptr);
    // Closed with the box unticked: the next launch resumes on that step.
    EXPECT_EQ(closed["settings"]["onboardingStep"], 2);
    EXPECT_FALSE(closed["settings"].contains("onboardingCompleted"));
    EXPECT_EQ(closed["activationPolicy"], "accessory");
}

TEST(GuideSteps, AControlTheShownStepLacksEndsTheRun)
{
    TempDir scratch;
    const auto outcome = runOnGuide(scratch, R"({"at": 1, "do": "control", "id": "guide.axButton"})");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "steps[0].id: the window \"guide\" shows no control \"guide.axButton\"\n");
}

}  // namespace
