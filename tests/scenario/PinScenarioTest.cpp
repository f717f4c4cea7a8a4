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
using testsupport::journal;
using testsupport::logLines;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::sameFrame;
using testsupport::TempDir;
using testsupport::writeFile;

const std::string pinScenario = std::string(GLIMRA_EXAMPLES_DIR) + "/pin.json";

// Where the file puts the three source windows.
const json notesFrame = json::parse("[80.0, 120.0, 700.0, 500.0]");
const json videoFrame = json::parse("[150.0, 100.0, 1200.0, 800.0]");
const json canvasFrame = json::parse("[60.0, 150.0, 1100.0, 800.0]");

json panelOf(const json& state, unsigned source)
{
    for (const auto& p : state["panels"])
        if (p["source"] == source) return p;
    return nullptr;
}

json windowOf(const json& state, unsigned id)
{
    for (const auto& w : state["windows"])
        if (w["id"] == id) return w;
    return nullptr;
}

// The front window of the other applications.
json frontForeign(const json& state)
{
    for (const auto& w : state["windows"])
        if (!w["own"].get<bool>()) return w;
    return nullptr;
}

// The hover preview is the application's own window at level 4; null when none is shown.
json shownPreview(const json& state)
{
    for (const auto& w : state["windows"])
        if (w["own"].get<bool>() && w["layer"] == 4 && w["onScreen"].get<bool>()) return w;
    return nullptr;
}

std::size_t count(const std::vector<std::string>& lines, const std::string& line)
{
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

bool contains(const json& frame, const json& point)
{
    const double x = point[0], y = point[1];
    return x >= frame[0].get<double>() && x < frame[0].get<double>() + frame[2].get<double>() &&
           y >= frame[1].get<double>() && y < frame[1].get<double>() + frame[3].get<double>();
}

// The accessibility writes of one window, in order.
std::vector<json> axWrites(const std::vector<json>& entries, unsigned window)
{
    std::vector<json> writes;
    for (const auto& e : entries)
        if (e["do"] == "ax.set" && e["window"] == window) writes.push_back(e);
    return writes;
}

// examples/pin.json, run once through the executable.
class PinScenario : public testsupport::ScenarioOnce<PinScenario> {
public:
    static std::string scenarioFile(const std::string&) { return pinScenario; }
};

TEST_F(PinScenario, RunsToItsQuitWithEveryWindowBackWhereItWas)
{
    EXPECT_EQ(outcome_.status, 0);
    EXPECT_EQ(outcome_.err, "");
    const json end = state("state.json");
    EXPECT_EQ(end["panels"], json::array());
    EXPECT_EQ(windowOf(end, 4242)["frame"], notesFrame);
    EXPECT_EQ(windowOf(end, 5150)["frame"], videoFrame);
    EXPECT_EQ(windowOf(end, 6001)["frame"], canvasFrame);
    for (const char* picture : {"hover.png", "forwarding.png", "pinned.png"})
        EXPECT_EQ(readFile(out() + "/" + picture).substr(1, 3), "PNG") << picture;
}

TEST_F(PinScenario, HoveringShowsThePreviewAfterTheDelayAndLeavingHidesIt)
{
    // The pointer came onto the picture at 2.0; the delay is 0.5 s.
    const json early = state("hover-early.json"), shown = state("hover.json"), left = state("left.json");
    EXPECT_FALSE(panelOf(early, 4242)["previewVisible"].get<bool>());
    EXPECT_EQ(shownPreview(early), nullptr);
    EXPECT_TRUE(panelOf(shown, 4242)["previewVisible"].get<bool>());
    const json preview = shownPreview(shown);
    ASSERT_NE(preview, nullptr);
    // Centred on the visible frame [0, 25, 1512, 957], larger than the mini window.
    EXPECT_NEAR(preview["frame"][0].get<double>() + preview["frame"][2].get<double>() / 2, 756, 1e-6);
    EXPECT_NEAR(preview["frame"][1].get<double>() + preview["frame"][3].get<double>() / 2, 503.5, 1e-6);
    EXPECT_GT(preview["frame"][2].get<double>(), panelOf(shown, 4242)["frame"][2].get<double>() * 2);
    for (const auto& p : shown["panels"]) {
        EXPECT_FALSE(p["pinned"].get<bool>()) << p;
        EXPECT_FALSE(p["takeover"].get<bool>()) << p;
    }

    EXPECT_FALSE(panelOf(left, 4242)["previewVisible"].get<bool>());
    EXPECT_EQ(shownPreview(left), nullptr);
}

TEST_F(PinScenario, AClickPinsTheSourceIntoTheBoxAndEscapePutsItBack)
{
    const json box = shownPreview(state("hover.json"))["frame"];
    const json pinned = state("pinned.json");
    const json panel = panelOf(pinned, 4242);
    EXPECT_TRUE(panel["pinned"].get<bool>());
    EXPECT_TRUE(panel["takeover"].get<bool>());
    // The window took the preview's place; the preview itself is not shown.
    EXPECT_FALSE(panel["previewVisible"].get<bool>());
    EXPECT_EQ(shownPreview(pinned), nullptr);
    EXPECT_TRUE(sameFrame(windowOf(pinned, 4242)["frame"], box)) << windowOf(pinned, 4242) << box;
    EXPECT_EQ(frontForeign(pinned)["id"], 4242) << "in front of the other applications' windows";

    const json unpinned = state("unpinned.json");
    EXPECT_FALSE(panelOf(unpinned, 4242)["pinned"].get<bool>());
    EXPECT_FALSE(panelOf(unpinned, 4242)["takeover"].get<bool>());
    EXPECT_EQ(windowOf(unpinned, 4242)["frame"], notesFrame);
    // The browser covered the notes before the pin and is in front again.
    EXPECT_EQ(unpinned["frontmost"], 502);
    EXPECT_EQ(frontForeign(unpinned)["id"], 5150);

    // The journal: into the box, then back, each write a success.
    const auto writes = axWrites(journal(out()), 4242);
    ASSERT_GE(writes.size(), 4u);
    std::vector<json> pinWrites(writes.begin(), writes.begin() + 2);
    std::vector<json> leaveWrites(writes.begin() + 2, writes.begin() + 4);
    for (int i = 0; i < 4; ++i) EXPECT_LT(writes[i]["t"].get<double>(), 10.0) << writes[i];
    const auto value = [](const std::vector<json>& pair, const char* attribute) {
        for (const auto& w : pair)
            if (w["attribute"] == attribute && w["result"] == 0) return w["value"];
        return json();
    };
    const json position = value(pinWrites, "AXPosition"), size = value(pinWrites, "AXSize");
    ASSERT_FALSE(position.is_null() || size.is_null());
    EXPECT_TRUE(sameFrame(json::array({position[0], position[1], size[0], size[1]}), box)) << position << size;
    EXPECT_EQ(value(leaveWrites, "AXPosition"), json::parse("[80.0, 120.0]"));
    EXPECT_EQ(value(leaveWrites, "AXSize"), json::parse("[700.0, 500.0]"));
}

TEST_F(PinScenario, ARefusedMoveForwardsAClickInThePreviewToTheSourceExactlyOnce)
{
    const json forwarding = state("forwarding.json");
    const json panel = panelOf(forwarding, 5150);
    EXPECT_TRUE(panel["pinned"].get<bool>());
    EXPECT_FALSE(panel["takeover"].get<bool>());
    EXPECT_TRUE(panel["previewVisible"].get<bool>());
    EXPECT_EQ(windowOf(forwarding, 5150)["frame"], videoFrame);
    const json preview = shownPreview(forwarding);
    ASSERT_NE(preview, nullptr);

    // The click at (600, 400) in the preview maps to a point of the video window that the
    // preview itself covers: the posted pair went past the preview, into the window.
    std::vector<json> events;
    for (const auto& e : journal(out()))
        if (e["do"] == "event") events.push_back(e);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["type"], "leftMouseDown");
    EXPECT_EQ(events[1]["type"], "leftMouseUp");
    for (const auto& e : events) {
        EXPECT_EQ(e["window"], 5150) << e;
        EXPECT_EQ(e["at"], events[0]["at"]) << e;
        EXPECT_TRUE(contains(preview["frame"], e["at"])) << e;
        EXPECT_TRUE(contains(videoFrame, e["at"])) << e;
    }
    const auto lines = logLines(out());
    EXPECT_EQ(count(lines, "接管预览: 移动源窗口失败，回退转发模式 id=5150"), 1u);
    EXPECT_TRUE(panelOf(state("forwarded.json"), 5150)["pinned"].get<bool>());
}

TEST_F(PinScenario, AnUnreportedMinimumIsRecentredInTheBoxAndLearnedIntoTheSettings)
{
    const json clamped = state("clamped.json");
    EXPECT_TRUE(panelOf(clamped, 6001)["takeover"].get<bool>());
    const json frame = windowOf(clamped, 6001)["frame"];
    EXPECT_EQ(frame[2], 1000.0);
    EXPECT_EQ(frame[3], 760.0);
    // The box is centred on the visible frame, and so is the window that outgrew it.
    EXPECT_NEAR(frame[0].get<double>() + 500, 756, 1e-6);
    EXPECT_NEAR(frame[1].get<double>() + 380, 503.5, 1e-6);
    EXPECT_EQ(windowOf(state("clamp-left.json"), 6001)["frame"], canvasFrame);

    const auto lines = logLines(out());
    EXPECT_EQ(count(lines, "最小尺寸学习: com.example.studio → 1000x760"), 1u);
    const json settings = json::parse(readFile(out() + "/config/Glimra/defaults.json"));
    EXPECT_EQ(settings["takeoverLearnedMinSizes"], json::parse(R"({"com.example.studio": "1000x760"})"));
}

TEST_F(PinScenario, ABehaviourStepRefusesTheRestoreAndARetryPutsTheWindowBackOnceLifted)
{
    // Taken over at 14.1; moves refused from 15.0; Escape at 15.5; allowed again at 15.7.
    EXPECT_TRUE(
        sameFrame(windowOf(state("restore-refused.json"), 4242)["frame"], shownPreview(state("hover.json"))["frame"]));
    EXPECT_EQ(windowOf(state("restore-retried.json"), 4242)["frame"], notesFrame);

    std::vector<json> late;
    for (const auto& w : axWrites(journal(out()), 4242))
        if (w["t"].get<double>() >= 15.5) late.push_back(w);
    ASSERT_EQ(late.size(), 4u);
    EXPECT_EQ(late[0]["result"], -25200);
    EXPECT_EQ(late[1]["result"], -25200);
    EXPECT_EQ(late[2]["result"], 0);
    EXPECT_EQ(late[3]["result"], 0);
    EXPECT_EQ(count(logLines(out()), "接管预览退出: 恢复源窗口 frame=(80.0, 120.0, 700.0, 500.0) 成功（重试第1次）"), 1u);
}

TEST_F(PinScenario, ARegionDragCreatesAFocusMiniWindow)
{
    // Limited to the notes (whose whole-window mini window was closed first: a window
    // gets one mini window), although the video lay in front where the drag began.
    const json limited = state("focus-window.json");
    ASSERT_EQ(limited["panels"].size(), 3u);
    EXPECT_EQ(limited["panels"][2]["source"], 4242);
    const json focus = limited["panels"][2]["focus"];
    EXPECT_NEAR(focus[0].get<double>(), 120.0 / 700, 1e-9);
    EXPECT_NEAR(focus[1].get<double>(), 130.0 / 500, 1e-9);
    EXPECT_NEAR(focus[2].get<double>(), 300.0 / 700, 1e-9);
    EXPECT_NEAR(focus[3].get<double>(), 200.0 / 500, 1e-9);

    // Unlimited: the window under the press, the canvas.
    const json picked = state("focus-picked.json");
    ASSERT_EQ(picked["panels"].size(), 3u);
    EXPECT_EQ(picked["panels"][2]["source"], 6001);
    EXPECT_NEAR(picked["panels"][2]["focus"][1].get<double>(), 510.0 / 800, 1e-9);

    const auto lines = logLines(out());
    EXPECT_EQ(count(lines, "悬停触发: 暂停（框选中）"), 2u);
    EXPECT_EQ(count(lines, "悬停触发: 恢复"), 2u);
    EXPECT_EQ(count(lines, "框选: 开始 受限窗口=4242 需先松开=false 左键=false 右键=false 屏=1 主屏高=982"), 1u);
    EXPECT_EQ(count(lines, "框选: 开始 受限窗口=无 需先松开=true 左键=false 右键=false 屏=1 主屏高=982"), 1u);
    EXPECT_EQ(count(lines, "框选: 起手选定窗口 id=6001 owner=Studio frame=(60.0, 32.0, 1100.0, 800.0)"), 1u);
}

// A small world for runs of their own: one window and its mini window, tiled; the
// first-run guide done with.
std::string oneWindowScenario(const std::string& settings, const std::string& permissions, const std::string& steps)
{
    json withGuideDone = json::parse(settings);
    withGuideDone["onboardingCompleted"] = true;
    return R"({"settings": )" + withGuideDone.dump() + R"(, "permissions": )" + permissions + R"(,
      "displays": [{"id": 1, "frame": [0, 0, 1512, 982], "visibleFrame": [0, 25, 1512, 957]}],
      "apps": [{"pid": 501, "path": "/Applications/Editor.app",
                "windows": [{"id": 4242, "frame": [80, 120, 700, 500]}]}],
      "steps": [{"at": 0.5, "do": "command", "name": "mirrorWindow", "window": 4242},
                {"at": 1.0, "do": "command", "name": "tileAllAction"})" +
           steps + "]}";
}

struct RunOutcome {
    int status = -1;
    std::string err;
    std::string out;
};

RunOutcome runScenario(const TempDir& scratch, const std::string& name, const std::string& text)
{
    const std::string file = scratch.path() + "/" + name + ".json";
    writeFile(file, text);
    const std::string out = scratch.path() + "/" + name;
    const auto outcome = runGlimra("--scenario " + file + " --out " + out, scratch.path());
    return {outcome.status, outcome.err, out};
}

// The pointer rests on the mini window's picture from 2.0; states at 2.3 and 2.7.
struct HoverRun {
    bool shownAt2_3 = false;
    bool shownAt2_7 = false;
    json preview;  // at 2.7
};

HoverRun hoverWith(const TempDir& scratch, const std::string& name, const std::string& settings)
{
    const RunOutcome run = runScenario(scratch, name, oneWindowScenario(settings, "{}", R"(,
        {"at": 2.0, "do": "pointer", "to": [1335, 170]},
        {"at": 2.3, "do": "state", "file": "early.json"},
        {"at": 2.7, "do": "state", "file": "late.json"})"));
    EXPECT_EQ(run.status, 0) << name << ": " << run.err;
    const json early = json::parse(readFile(run.out + "/early.json"));
    const json late = json::parse(readFile(run.out + "/late.json"));
    return {early["panels"][0]["previewVisible"].get<bool>(), late["panels"][0]["previewVisible"].get<bool>(),
            shownPreview(late)};
}

TEST(PreviewSettings, WrongTypesReadAsTheDefaultsAndAPresentNonBooleanAsTheStoresBoolean)
{
    TempDir scratch;
    const HoverRun defaults = hoverWith(scratch, "defaults", "{}");
    EXPECT_FALSE(defaults.shownAt2_3);
    EXPECT_TRUE(defaults.shownAt2_7);
    ASSERT_NE(defaults.preview, nullptr);

    // Strings are not numbers: the delay stays 0.5 s and the scale 3.
    const HoverRun wrong = hoverWith(scratch, "wrong", R"({"hoverPreviewDelay": "0.1", "hoverPreviewScale": "1"})");
    EXPECT_FALSE(wrong.shownAt2_3);
    EXPECT_TRUE(wrong.shownAt2_7);
    EXPECT_EQ(wrong.preview, defaults.preview);

    // The same values as numbers are read.
    const HoverRun numbers = hoverWith(scratch, "numbers", R"({"hoverPreviewDelay": 0.1, "hoverPreviewScale": 1})");
    EXPECT_TRUE(numbers.shownAt2_3);
    ASSERT_NE(numbers.preview, nullptr);
    EXPECT_LT(numbers.preview["frame"][2].get<double>(), defaults.preview["frame"][2].get<double>());

    // Present, a string "no" is false (absent would be true); "yes" and 2 are true.
    const HoverRun no = hoverWith(scratch, "no", R"({"hoverPreviewEnabled": "no"})");
    EXPECT_FALSE(no.shownAt2_7);
    EXPECT_EQ(no.preview, nullptr);
    const auto lines = logLines(scratch.path() + "/no");
    EXPECT_EQ(count(lines, "schedulePreviewShow 跳过: enabled=false timer=false visible=false pinned=false"), 1u);
    EXPECT_TRUE(hoverWith(scratch, "yes", R"({"hoverPreviewEnabled": "yes"})").shownAt2_7);
    EXPECT_TRUE(hoverWith(scratch, "two", R"({"hoverPreviewEnabled": 2})").shownAt2_7);
}

TEST(FocusCreate, WithoutScreenRecordingNothingStarts)
{
    TempDir scratch;
    const RunOutcome run = runScenario(scratch, "denied", oneWindowScenario("{}", R"({"screenRecording": false})", R"(,
        {"at": 1.5, "do": "window.close", "title": "欢迎使用 Glimra"},
        {"at": 2.0, "do": "command", "name": "beginFocusCreate", "window": 4242},
        {"at": 2.5, "do": "drag", "from": [200, 250], "to": [500, 450]},
        {"at": 3.5, "do": "state", "file": "after.json"})"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = logLines(run.out);
    // The permission alert instead, answered and journaled.
    const auto alerts = testsupport::journal(run.out);
    EXPECT_EQ(std::count_if(
                  alerts.begin(), alerts.end(),
                  [](const json& entry) { return entry["do"] == "alert" && entry["message"] == "需要屏幕录制权限"; }),
              1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("框选"); }), 0);
    EXPECT_EQ(count(lines, "悬停触发: 暂停（框选中）"), 0u);
    const json after = json::parse(readFile(run.out + "/after.json"));
    for (const auto& w : after["windows"]) EXPECT_NE(w["layer"], 1000) << w;
    // The guide came up at launch, as without the permission it does, and closed by its title.
    EXPECT_EQ(after["guide"], nullptr);
}

TEST(FocusCreate, AWindowTheCatalogDoesNotOfferStartsNothing)
{
    TempDir scratch;
    const RunOutcome run = runScenario(scratch, "unknown", oneWindowScenario("{}", "{}", R"(,
        {"at": 2.0, "do": "command", "name": "beginFocusCreate", "window": 9999})"));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = logLines(run.out);
    EXPECT_EQ(count(lines, "beginFocusCreate: window not in the catalog id=9999"), 1u);
    EXPECT_EQ(count(lines, "悬停触发: 暂停（框选中）"), 0u);
}

// Quitting while the source window is taken over puts it back first; when the
// application refuses, the quit waits out every retry.
TEST(QuitWhilePinned, TheWindowGoesBackBeforeTheApplicationEnds)
{
    TempDir scratch;
    const auto quitPinned = [&](const std::string& name, const std::string& behaviourStep) {
        const RunOutcome run = runScenario(scratch, name, oneWindowScenario("{}", "{}", R"(,
            {"at": 2.0, "do": "click", "point": [1335, 170]},
            {"at": 3.0, "do": "state", "file": "pinned.json"})" + behaviourStep + R"(,
            {"at": 3.5, "do": "quit"})"));
        EXPECT_EQ(run.status, 0) << name << ": " << run.err;
        EXPECT_TRUE(json::parse(readFile(run.out + "/pinned.json"))["panels"][0]["takeover"].get<bool>()) << name;
        return std::pair(json::parse(readFile(run.out + "/state.json")), logLines(run.out));
    };

    const auto [back, backLines] = quitPinned("back", "");
    EXPECT_EQ(windowOf(back, 4242)["frame"], notesFrame);
    EXPECT_LT(back["time"].get<double>(), 4.0);
    EXPECT_EQ(count(backLines, "接管预览退出: 恢复源窗口 frame=(80.0, 120.0, 700.0, 500.0) 成功"), 1u);

    const auto [refused, refusedLines] =
        quitPinned("refused", R"(, {"at": 3.2, "do": "app.behavior", "pid": 501, "behavior": {"refuseMoves": -25200}})");
    // Six tries 0.3 s apart, the last one at 5.0.
    EXPECT_GE(refused["time"].get<double>(), 5.0);
    EXPECT_EQ(count(refusedLines, "接管预览退出: 恢复彻底失败 frame=(80.0, 120.0, 700.0, 500.0) pid=501"), 1u);
}

TEST(BehaviorSteps, UnknownKnobsMissingFieldsAndUnknownApplicationsAreRefusedBeforeTheRun)
{
    TempDir scratch;
    const auto refusal = [&](const std::string& step) {
        const RunOutcome run = runScenario(scratch, "bad", oneWindowScenario("{}", "{}", ", " + step));
        return std::pair(run.status, run.err);
    };
    const auto refused = [](const std::string& line) { return std::pair(2, line + "\n"); };
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "pid": 501, "behavior": {"refuseMove": -25200}})"),
              refused("steps[2].behavior.refuseMove: unknown key"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "behavior": {}})"), refused("steps[2].pid: required"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "pid": 501})"), refused("steps[2].behavior: required"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "pid": 777, "behavior": {}})"),
              refused("steps[2].pid: no application 777"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "pid": 501, "behavior": {"refuseMoves": 0}})"),
              refused("steps[2].behavior.refuseMoves: expected an error code, not 0"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "pid": 501, "behavior": {"minSize": [10]}})"),
              refused("steps[2].behavior.minSize: expected 2 numbers"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "app.behavior", "pid": 501, "behavior": {}, "id": 4242})"),
              refused("steps[2].id: unknown key"));
    EXPECT_EQ(refusal(R"({"at": 2, "do": "command", "name": "beginFocusCreate", "region": [0, 0, 1, 1]})"),
              refused("steps[2].region: not taken by the command \"beginFocusCreate\""));
    EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/bad"));
}

}  // namespace
