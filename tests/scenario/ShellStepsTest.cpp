#include "scenario/EmptyApplication.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioRunner.h"
#include "scenario/StatusMenuApplication.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

namespace {

using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;

// The primary display has a 25-pt menu bar.
const std::string world = R"("displays": [{"id": 1, "frame": [0, 0, 1512, 982], "visibleFrame": [0, 25, 1512, 957]}])";

scenario::RunResult runInto(const std::string& folder, const std::string& steps, const std::string& extra = "",
                            std::unique_ptr<app::Application> app = std::make_unique<testsupport::StatusMenuApplication>())
{
    testsupport::ensureQtApplication();
    TempDir input;
    const std::string file = input.path() + "/scenario.json";
    testsupport::writeFile(file, "{" + world + extra + R"(, "steps": [)" + steps + "]}");
    auto loaded = scenario::loadScenario(file, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return *refusal;
    return scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
}

json stateIn(const std::string& folder, const std::string& file) { return json::parse(readFile(folder + "/" + file)); }

bool logged(const std::string& folder, const std::string& line)
{
    const auto lines = testsupport::logLines(folder);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ShellSteps, TheStatusItemOpensItsMenuAndAChoiceActsOnceItHasClosed)
{
    TempDir out;
    const auto result = runInto(out.path(), R"(
        {"at": 0.2, "do": "state", "file": "closed.json"},
        {"at": 0.5, "do": "statusItem.click"},
        {"at": 0.6, "do": "state", "file": "open.json"},
        {"at": 0.7, "do": "menu.choose", "title": "Off"},
        {"at": 0.8, "do": "state", "file": "still-open.json"},
        {"at": 0.9, "do": "menu.choose", "title": "Tile All"},
        {"at": 1.0, "do": "state", "file": "chosen.json"})");
    ASSERT_EQ(result.status, 0) << result.message;

    const json closed = stateIn(out.path(), "closed.json");
    ASSERT_EQ(closed["statusItems"].size(), 1u);
    EXPECT_EQ(closed["statusItems"][0]["title"], "G");
    // In the menu-bar strip above the visible frame, at its right end.
    const json frame = closed["statusItems"][0]["frame"];
    EXPECT_GE(frame[1].get<double>(), 0);
    EXPECT_LE(frame[1].get<double>() + frame[3].get<double>(), 25);
    EXPECT_GT(frame[0].get<double>(), 1300);
    EXPECT_LE(frame[0].get<double>() + frame[2].get<double>(), 1512);
    EXPECT_EQ(closed["menus"], json::array());

    const json open = stateIn(out.path(), "open.json");
    ASSERT_EQ(open["menus"].size(), 1u) << open["menus"];
    EXPECT_EQ(open["menus"][0]["items"], json::parse(R"([
        {"title": "Tile All", "enabled": true}, {"separator": true}, {"title": "Off", "enabled": false},
        {"title": "More", "enabled": true, "submenu": true}, {"view": "Header"}])"));
    // The menu hangs below the item.
    EXPECT_GE(open["menus"][0]["frame"][1].get<double>(), frame[1].get<double>() + frame[3].get<double>() - 1);
    // The pointer clicked the item's centre.
    EXPECT_EQ(open["pointer"], json::array({frame[0].get<double>() + frame[2].get<double>() / 2,
                                            frame[1].get<double>() + frame[3].get<double>() / 2}));

    // A disabled item does nothing; an enabled one acts once its menu has closed.
    EXPECT_EQ(stateIn(out.path(), "still-open.json")["menus"].size(), 1u);
    EXPECT_FALSE(logged(out.path(), "chose Off"));
    EXPECT_EQ(stateIn(out.path(), "chosen.json")["menus"], json::array());
    EXPECT_TRUE(logged(out.path(), "chose Tile All"));
}

TEST(ShellSteps, NothingToClickOrChooseEndsTheRunNamingTheStep)
{
    {
        TempDir out;
        const auto result = runInto(out.path(), R"({"at": 0.5, "do": "menu.choose", "title": "Tile All"})");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.message, R"(steps[0]: no open menu holds "Tile All")");
        // The final state is still written.
        EXPECT_EQ(stateIn(out.path(), "state.json")["menus"], json::array());
    }
    {
        TempDir out;
        const auto result = runInto(out.path(), R"({"at": 0.5, "do": "statusItem.click"},
                                                    {"at": 0.6, "do": "menu.choose", "title": "Tile all"})");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.message, R"(steps[1]: the front-most open menu holds no "Tile all")");
    }
    {
        TempDir out;
        const auto result = runInto(out.path(), R"({"at": 0.5, "do": "statusItem.click"})", "",
                                    std::make_unique<scenario::EmptyApplication>());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.message, "steps[0]: there is no status item to click");
    }
}

TEST(ShellSteps, AlertsAreAnsweredWithTheFirstButtonAndJournaled)
{
    TempDir out;
    const auto result = runInto(out.path(), R"({"at": 0.5, "do": "command", "name": "alert"})");
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_TRUE(logged(out.path(), "alert answered 1000"));
    std::vector<json> alerts;
    for (const auto& event : testsupport::journal(out.path()))
        if (event["do"] == "alert") alerts.push_back(event);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0], json::parse(R"({"t": 0.5, "do": "alert", "message": "需要屏幕录制权限",
                                         "informative": "Open the settings?", "buttons": ["Open", "Later"],
                                         "response": 1000})"));
}

TEST(ShellSteps, TheApplicationsExitEndsTheRunWithItsStatusAtAnyPoint)
{
    const std::string laterSteps = R"({"at": 0.5, "do": "command", "name": "exit"},
                                      {"at": 0.6, "do": "statusItem.click"},
                                      {"at": 0.7, "do": "menu.choose", "title": "nothing"})";
    {
        TempDir out;
        const auto result = runInto(out.path(), laterSteps, R"(, "args": ["-exit-now"])");
        EXPECT_EQ(result.status, 4);
        EXPECT_EQ(result.message, "");
        EXPECT_EQ(stateIn(out.path(), "state.json")["time"], 0.0);
    }
    {
        TempDir out;
        const auto result = runInto(out.path(), laterSteps);
        EXPECT_EQ(result.status, 3);
        EXPECT_EQ(result.message, "");
        EXPECT_EQ(stateIn(out.path(), "state.json")["time"], 0.5);
    }
}

TEST(ShellSteps, SelfTestFilesGoToTheRunsTemporaryFolder)
{
    TempDir out;
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    const auto result = runInto(out.path(), R"({"at": 0.5, "do": "quit"})");
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(readFile(out.path() + "/tmp/probe.txt"), "probe\n");
    const json manifest = json::parse(readFile(out.path() + "/.glimra-run.json"));
    EXPECT_NE(std::find(manifest["files"].begin(), manifest["files"].end(), "tmp/probe.txt"), manifest["files"].end());
    EXPECT_NE(std::find(manifest["folders"].begin(), manifest["folders"].end(), "tmp"), manifest["folders"].end());
    const char* after = std::getenv("TMPDIR");
    EXPECT_EQ(after ? std::string(after) : std::string(), saved);

    // The next run into the folder removes it with the rest.
    ASSERT_EQ(runInto(out.path(), "", "", std::make_unique<scenario::EmptyApplication>()).status, 0);
    EXPECT_FALSE(std::filesystem::exists(out.path() + "/tmp/probe.txt"));
}

}  // namespace
