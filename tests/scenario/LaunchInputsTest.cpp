#include "platform/core/AppIdentity.h"
#include "scenario/EmptyApplication.h"
#include "scenario/IdentityApplication.h"
#include "scenario/OutputFiles.h"
#include "scenario/RunManifest.h"
#include "scenario/ScenarioRunner.h"
#include "scenario/StatusMenuApplication.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

scenario::RunResult runInto(const std::string& folder, const std::string& scenarioText,
                            std::unique_ptr<app::Application> app = std::make_unique<testsupport::IdentityApplication>())
{
    testsupport::ensureQtApplication();
    TempDir input;
    const std::string file = input.path() + "/scenario.json";
    writeFile(file, scenarioText);
    auto loaded = scenario::loadScenario(file, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return *refusal;
    return scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
}

const std::string bundleJson = R"({\"identifier\": \"com.glimra.app\", \"version\": \"1.0.0\", \"build\": \"1\"})";

const std::string placing = R"({
    "identity": {"version": "0.9.1", "build": "17", "bundlePath": "apps/Glimra.app"},
    "files": [
        {"path": "apps/Glimra.app/bundle.json", "text": ")" +
                            bundleJson + R"("},
        {"path": "apps/Glimra.app/bin/glimra", "base64": "IyEvYmluL3NoCg==", "mode": "755"},
        {"path": "data/Glimra/CrashReports/a.crash", "text": "Process: Glimra\n", "mode": "0600"}
    ]})";

using testsupport::modeOf;

}  // namespace

TEST(LaunchInputs, MalformedKeysAreRefusedNamingTheirKeyPath)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"identity": {"build": 17}})", "identity.build: "},
        {R"({"identity": {"bundlePath": "../Glimra.app"}})", "identity.bundlePath: expected a relative path"},
        {R"({"identity": {"bundlePath": "/Applications/Glimra.app"}})",
         "identity.bundlePath: expected a relative path"},
        {R"({"identity": {"bundlePath": "data/Glimra"}})",
         "identity.bundlePath: \"data/Glimra\" is a folder written by the run itself"},
        {R"({"identity": {"bundlePath": "state.json/x"}})",
         "identity.bundlePath: \"state.json\" is a file written by the run itself"},
        {R"({"identity": {"name": "x"}})", "identity.name: "},
        {R"({"files": {"a": "b"}})", "files: "},
        {R"({"files": [{"text": "x"}]})", "files[0].path: "},
        {R"({"files": [{"path": "a", "text": "x", "base64": "eA=="}]})",
         "files[0]: expected exactly one of text and base64"},
        {R"({"files": [{"path": "a"}]})", "files[0]: expected exactly one of text and base64"},
        {R"({"files": [{"path": "a", "base64": "e!=="}]})", "files[0].base64: not base64"},
        {R"({"files": [{"path": "a", "text": "x", "mode": "4755"}]})", "files[0].mode: expected octal"},
        {R"({"files": [{"path": "a", "text": "x", "mode": 644}]})", "files[0].mode: "},
        {R"({"files": [{"path": "a/./b", "text": "x"}]})", "files[0].path: expected a relative path"},
        {R"({"files": [{"path": "desktop.jsonl", "text": "x"}]})",
         "files[0].path: \"desktop.jsonl\" is written by the run itself"},
        {R"({"files": [{"path": "data/Glimra/diag.log", "text": "x"}]})",
         "files[0].path: \"data/Glimra/diag.log\" is written by the run itself"},
        {R"({"files": [{"path": ".glimra-run.json", "text": "x"}]})",
         "files[0].path: \".glimra-run.json\" is written by the run itself"},
        {R"({"files": [{"path": "data/.x.partial", "text": "x"}]})",
         "files[0].path: \"data/.x.partial\" is named as the run's temporaries are"},
        {R"({"files": [{"path": "tmp", "text": "x"}]})",
         "files[0].path: \"tmp\" is a folder written by the run itself"},
        {R"({"files": [{"path": "shots/a.png", "text": "x"}], "steps": [{"at": 0, "do": "state", "file": "shots/a.png"}]})",
         "files[0].path: \"shots/a.png\" is written by steps[0]"},
        {R"({"files": [{"path": "shots", "text": "x"}], "steps": [{"at": 0, "do": "state", "file": "shots/a.png"}]})",
         "files[0].path: \"shots\" is a folder written by steps[0]"},
        {R"({"files": [{"path": "a", "text": "x"}, {"path": "a", "text": "y"}]})",
         "files[1].path: \"a\" is placed by files[0] already"},
        {R"({"files": [{"path": "a", "text": "x"}, {"path": "a/b", "text": "y"}]})",
         "files[1].path: \"a\" is the file of files[0], not a folder"},
        {R"({"files": [{"path": "a/b", "text": "x"}, {"path": "a", "text": "y"}]})",
         "files[1].path: \"a\" is a folder for files[0]"},
        {R"({"alertAnswers": 1})", "alertAnswers: "},
        {R"({"alertAnswers": [0, -1]})", "alertAnswers[1]: "},
        {R"({"alertAnswers": [1.5]})", "alertAnswers[0]: "},
        {R"({"alertAnswers": ["1"]})", "alertAnswers[0]: "},
    };
    for (const auto& [text, expected] : cases) {
        TempDir out;
        const auto result = runInto(out.path() + "/out", text);
        EXPECT_EQ(result.status, 2) << text;
        EXPECT_TRUE(result.message.starts_with(expected)) << text << "\n  " << result.message;
        EXPECT_FALSE(fs::exists(out.path() + "/out")) << text;
    }
}

TEST(LaunchInputs, FilesAndIdentityReachTheApplicationAndTheNextRunClearsThem)
{
    TempDir out;
    const std::string dir = out.path() + "/out";
    ASSERT_EQ(runInto(dir, placing).status, 0);

    const auto lines = testsupport::logLines(dir);
    EXPECT_TRUE(
        testsupport::holds(lines, "identity 0.9.1 (build 17) " + fs::canonical(dir).string() + "/apps/Glimra.app"));
    EXPECT_TRUE(testsupport::holds(lines, "bundle com.glimra.app"));
    EXPECT_TRUE(testsupport::holds(lines, "report Process: Glimra"));
    // Counted names, from 1 in every run.
    EXPECT_TRUE(
        testsupport::holds(lines, "unique 00000000-0000-0000-0000-000000000001 00000000-0000-0000-0000-000000000002"));
    EXPECT_EQ(readFile(dir + "/apps/Glimra.app/bin/glimra"), "#!/bin/sh\n");
    EXPECT_EQ(modeOf(dir + "/apps/Glimra.app/bin/glimra"), 0755u);
    EXPECT_EQ(modeOf(dir + "/data/Glimra/CrashReports/a.crash"), 0600u);

    const auto manifest = scenario::RunManifest::parse(readFile(dir + "/.glimra-run.json"));
    ASSERT_TRUE(manifest);
    for (const auto* file :
         {"apps/Glimra.app/bundle.json", "apps/Glimra.app/bin/glimra", "data/Glimra/CrashReports/a.crash"})
        EXPECT_NE(std::find(manifest->files.begin(), manifest->files.end(), file), manifest->files.end()) << file;
    for (const auto* folder : {"apps", "apps/Glimra.app", "apps/Glimra.app/bin", "data/Glimra/CrashReports"})
        EXPECT_NE(std::find(manifest->folders.begin(), manifest->folders.end(), folder), manifest->folders.end())
            << folder;

    // A rerun writes the same again; one without them leaves none of them behind.
    ASSERT_EQ(runInto(dir, placing).status, 0);
    EXPECT_TRUE(testsupport::holds(testsupport::logLines(dir),
                                   "unique 00000000-0000-0000-0000-000000000001 00000000-0000-0000-0000-000000000002"));
    ASSERT_EQ(runInto(dir, "{}").status, 0);
    EXPECT_FALSE(fs::exists(dir + "/apps"));
    EXPECT_FALSE(fs::exists(dir + "/data/Glimra/CrashReports"));
    // Outside a run the process's own identity is back.
    EXPECT_NE(core::AppIdentity::current().build, "17");
}

TEST(LaunchInputs, LinksAndForeignFilesOnThePlacedPathsRefuseTheRunTouchingNothing)
{
    TempDir out, elsewhere;
    const std::string dir = out.path() + "/out";
    ASSERT_EQ(runInto(dir, R"({"files": [{"path": "apps/x", "text": "1"}]})").status, 0);

    fs::remove_all(dir + "/apps");
    fs::create_directory_symlink(elsewhere.path(), dir + "/apps");
    auto result = runInto(dir, placing);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message,
              "files[0].path: " + fs::canonical(dir).string() + "/apps is a symbolic link; nothing was touched");
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));

    result = runInto(dir, R"({"identity": {"bundlePath": "apps/Glimra.app"}})");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message,
              "identity.bundlePath: " + fs::canonical(dir).string() + "/apps is a symbolic link; nothing was touched");

    fs::remove(dir + "/apps");
    writeFile(dir + "/mine.txt", "keep");
    result = runInto(dir, R"({"files": [{"path": "mine.txt", "text": "x"}]})");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message, "files[0].path: " + fs::canonical(dir).string() +
                                  "/mine.txt exists and was not written by an earlier run; nothing was touched");
    EXPECT_EQ(readFile(dir + "/mine.txt"), "keep");
}

TEST(LaunchInputs, AlertAnswersPickButtonsInOrderThenTheFirst)
{
    TempDir out;
    const std::string alert = R"({"at": 0.5, "do": "command", "name": "alert"})";
    const auto result =
        runInto(out.path(), R"({"alertAnswers": [1, 7], "steps": [)" + alert + "," + alert + "," + alert + "]}",
                std::make_unique<testsupport::StatusMenuApplication>());
    ASSERT_EQ(result.status, 0) << result.message;
    std::vector<json> alerts;
    for (const auto& event : testsupport::journal(out.path()))
        if (event["do"] == "alert") alerts.push_back(event);
    ASSERT_EQ(alerts.size(), 3u);
    // An index the alert has no button for answers with the first.
    EXPECT_EQ(alerts[0]["response"], 1001);
    EXPECT_EQ(alerts[1]["response"], 1000);
    EXPECT_EQ(alerts[2]["response"], 1000);
    EXPECT_EQ(alerts[0]["buttons"], json::parse(R"(["Open", "Later"])"));
}
