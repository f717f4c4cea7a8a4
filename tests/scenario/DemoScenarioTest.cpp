#include "scenario/EmptyApplication.h"
#include "scenario/GlimraProcess.h"
#include "scenario/OutputFiles.h"
#include "scenario/ScenarioRunner.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

scenario::RunResult runDemo(const std::string& folder)
{
    return runEmpty(demo, folder);
}

TEST(DemoScenario, ShowsTwoDisplaysThreeApplicationsAndTheirWindows)
{
    TempDir out;
    const auto result = runDemo(out.path());
    ASSERT_EQ(result.status, 0) << result.message;

    const json state = json::parse(readFile(out.path() + "/state.json"));
    EXPECT_EQ(state["time"], 5.0);
    EXPECT_EQ(state["frontmost"], 501);
    EXPECT_EQ(state["pointer"], json::parse("[1800.0, 400.0]"));
    EXPECT_EQ(state["displays"].size(), 2u);
    EXPECT_EQ(state["panels"], json::array());
    EXPECT_EQ(state["hotkeys"], json::array());

    // Front to back: Draft raised over Notes (minimised and restored in place), then the
    // terminal the file put forward, the moved video, and the documents behind it.
    std::vector<std::uint32_t> ids;
    std::map<std::string, int> owners;
    for (const auto& w : state["windows"]) {
        ids.push_back(w["id"]);
        EXPECT_TRUE(w["onScreen"].get<bool>()) << w;
        EXPECT_FALSE(w["own"].get<bool>()) << w;
        ++owners[w["owner"]];
    }
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{4243, 4242, 6001, 5150, 5151}));
    EXPECT_EQ(owners, (std::map<std::string, int>{{"Browser", 2}, {"Editor", 2}, {"Terminal", 1}}));
    EXPECT_EQ(state["windows"][3]["frame"], json::parse("[700.0, 350.0, 760.0, 480.0]"));

    EXPECT_EQ(json::parse(readFile(out.path() + "/state-3.5.json"))["time"], 3.5);
    EXPECT_EQ(readFile(out.path() + "/desktop.png").substr(1, 3), "PNG");
    EXPECT_TRUE(std::filesystem::exists(out.path() + "/data/Glimra/diag.log"));
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
    EXPECT_EQ(testsupport::differingFiles(out, inProcess.path()), std::vector<std::string>{});

    const std::string bad = scratch + "/bad.json";
    testsupport::writeFile(bad, R"({"steps": [{"at": 1, "do": "window.move", "id": 1, "frame": [0, 0]}]})");
    EXPECT_EQ(run("--scenario " + bad + " --out " + out), std::pair(2, std::string("steps[0].frame: expected 4 numbers\n")));
    EXPECT_EQ(run("--scenario " + bad).first, 2);
    EXPECT_EQ(run("--scenario " + scratch + "/missing.json --out " + out),
              std::pair(2, scratch + "/missing.json: cannot read\n"));
}

TEST(EmptyApplication, NotesSignalsAndQuitsAtOnce)
{
    TempDir folder;
    const std::string file = folder.path() + "/signal.json";
    testsupport::writeFile(file, R"({"until": 9, "steps": [{"at": 1, "do": "signal", "name": "SIGUSR1"}, {"at": 2, "do": "quit"}]})");
    const auto result = runEmpty(file, folder.path() + "/out");
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(readFile(folder.path() + "/out/data/Glimra/diag.log"), "09:00:01 signal SIGUSR1 received\n");
    EXPECT_EQ(json::parse(readFile(folder.path() + "/out/state.json"))["time"], 2.0);
}

}  // namespace
