#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioOnce.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace {

using nlohmann::json;
using testsupport::holds;
using testsupport::logLines;
using testsupport::readFile;
using testsupport::runGlimra;
using testsupport::TempDir;

const std::string settingsScenario = std::string(GLIMRA_EXAMPLES_DIR) + "/settings.json";

json settingsWindow(const json& dump)
{
    for (const auto& window : dump["windows"])
        if (window["name"] == "settings") return window;
    return nullptr;
}

json control(const json& dump, const std::string& id)
{
    const json window = settingsWindow(dump);
    for (const auto& c : window["controls"])
        if (c["id"] == id) return c;
    return nullptr;
}

// examples/settings.json once for every case: two mini windows, every tab in Chinese and
// in English with a control set on each, recordings accepted and refused.
class SettingsScenario : public testsupport::ScenarioOnce<SettingsScenario> {
public:
    static std::string scenarioFile(const std::string&) { return settingsScenario; }
    static json dump(const std::string& file) { return state(file); }
};

TEST_F(SettingsScenario, EveryTabIsShownInBothLanguagesWithNothingClipped)
{
    const std::vector<std::pair<std::string, std::string>> tabs{
        {"general", "settings.tab0"}, {"shortcuts", "settings.tab1"}, {"screen", "settings.tab2"},
        {"theme", "settings.tab3"},   {"language", "settings.tab4"},  {"about", "settings.tab5"}};
    for (const auto& [name, tab] : tabs) {
        for (const std::string language : {"zh", "en"}) {
            const json shown = dump(name + "-" + language + ".json");
            ASSERT_NE(settingsWindow(shown), nullptr) << name << language;
            EXPECT_EQ(control(shown, tab)["value"], true) << name << language;
            const json window = settingsWindow(shown);
            for (const auto& c : window["controls"])
                EXPECT_FALSE(c["clipped"].get<bool>()) << name << "-" << language << " " << c["id"] << " " << c["text"];
            EXPECT_TRUE(std::filesystem::exists(out() + "/" + name + "-" + language + ".png"));
        }
    }
    EXPECT_EQ(settingsWindow(dump("language-zh.json"))["title"], "语言");
    EXPECT_EQ(settingsWindow(dump("language-en.json"))["title"], "Language");
    EXPECT_EQ(control(dump("general-en.json"), "settings.tab0")["text"], "General");
}

TEST_F(SettingsScenario, OpenMiniWindowsFollowOpacityAndCorner)
{
    const json general = state("general.json");
    EXPECT_EQ(general["settings"]["pipOpacity"], 0.35);
    EXPECT_EQ(general["settings"]["pipWindowCorner"], 3);
    ASSERT_EQ(general["panels"].size(), 2u);
    for (const auto& panel : general["panels"]) {
        EXPECT_EQ(panel["opacity"], 0.35);
        EXPECT_EQ(panel["frame"][0], 16.0) << "tiled from the left";
    }
    EXPECT_EQ(control(dump("general-zh.json"), "settings.opacityValue")["text"], "100%");
    const json english = dump("general-en.json");
    EXPECT_EQ(control(english, "settings.opacityValue")["text"], "35%");
    EXPECT_EQ(control(english, "settings.sizeValue")["text"], "1.3×");
    EXPECT_EQ(control(english, "settings.previewSwitch")["value"], false);
}

TEST_F(SettingsScenario, ARecordingIsRegisteredAndConflictingOrReservedOnesAreRefused)
{
    const json recorded = state("hotkeys.json")["hotkeys"];
    EXPECT_EQ(recorded[0], json::parse(R"({"id": 1, "code": 40, "mask": 6400})"));
    EXPECT_EQ(control(dump("conflict.json"), "settings.tileAllHotKey")["text"], "与其他快捷键冲突");
    EXPECT_EQ(control(dump("reserved.json"), "settings.closeAllHotKey")["text"], "已被其他应用占用");

    const json final = state("final.json");
    EXPECT_EQ(final["settings"].value("closeAllHotKeyCode", json()), nullptr) << "put back as it was: absent";
    EXPECT_EQ(final["settings"]["holdHideHotKeyCode"], 61);
    EXPECT_EQ(final["settings"]["holdHideHotKeyFlags"], 0x800);
    // Every hot key registered again once the refusals were put back.
    EXPECT_EQ(final["hotkeys"].size(), 7u);
    const auto lines = logLines(out());
    EXPECT_TRUE(holds(lines, "快捷键录制: tileAllHotKey = ⌃⌥⌘K 与 captureHotKey 冲突 ⇒ 未保存"));
    EXPECT_TRUE(holds(lines, "快捷键录制: closeAllHotKey = ⌃⌥T 注册被拒（状态 -9878）⇒ 已还原"));
    EXPECT_TRUE(holds(lines, "快捷键录制: holdHideHotKey = 右⌥（按住型·轮询录到）"));
    EXPECT_TRUE(holds(lines, "触发块: 设置里关闭了触发块"));
    EXPECT_TRUE(holds(lines, "设置页[通用] 窗口高=897 可视高=819 文档高=846"));
}

TEST_F(SettingsScenario, ARerunWritesTheSameFiles)
{
    TempDir again;
    const auto outcome = runGlimra("--scenario " + settingsScenario + " --out " + again.path() + "/out", again.path());
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(testsupport::differingFiles(out(), again.path() + "/out"), std::vector<std::string>{});
}

// The layout self-check lines of the General tab, switched on by the scenario's own
// environment.
class LayoutCheckScenario : public testsupport::ScenarioOnce<LayoutCheckScenario> {
public:
    static std::string scenarioFile(const std::string& scratch)
    {
        const std::string file = scratch + "/layout.json";
        testsupport::writeFile(
            file, R"({"settings": {"onboardingCompleted": true}, "environment": {"GLIMRA_DEBUG_LAYOUT": "1"},
            "steps": [{"at": 0.1, "do": "command", "name": "showSettings"}], "until": 1})");
        return file;
    }
};

TEST_F(LayoutCheckScenario, EveryRowWritesItsLineWithLongTitlesCut)
{
    const std::regex layoutLine("布局自检: 「.+」行高=\\d+ 文本宽=\\d+ 标题高=\\d+ 副标题高=\\d+ 控件宽=\\d+");
    std::vector<std::string> checks;
    for (const auto& line : logLines(out()))
        if (line.rfind("布局自检: ", 0) == 0) checks.push_back(line);
    ASSERT_GE(checks.size(), 8u);
    for (const auto& line : checks) EXPECT_TRUE(std::regex_match(line, layoutLine)) << line;
    EXPECT_NE(checks[0].find("「开机启动」行高=68 "), std::string::npos) << checks[0];
    const bool cut = std::any_of(checks.begin(), checks.end(), [](const std::string& line) {
        return line.find("「鼠标悬停 0.5 秒后出现预」") != std::string::npos;
    });
    EXPECT_TRUE(cut) << "a title of 15 characters keeps its first 14";
}

// "-glimra-tab=9" names no tab: the window opens on its current one.
class OutOfRangeTabScenario : public testsupport::ScenarioOnce<OutOfRangeTabScenario> {
public:
    static std::string scenarioFile(const std::string& scratch)
    {
        const std::string file = scratch + "/tab9.json";
        testsupport::writeFile(
            file, R"({"settings": {"onboardingCompleted": true}, "args": ["-glimra-show-settings", "-glimra-tab=9"],
            "steps": [{"at": 1, "do": "controls", "file": "shown.json"}], "until": 2})");
        return file;
    }
};

TEST_F(OutOfRangeTabScenario, TheWindowShowsItsCurrentTab)
{
    const json shown = state("shown.json");
    EXPECT_EQ(settingsWindow(shown)["title"], "通用");
    EXPECT_EQ(control(shown, "settings.tab0")["value"], true);
    const auto lines = logLines(out());
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.rfind("设置页[通用] 窗口高=", 0) == 0; }));
}

}  // namespace
