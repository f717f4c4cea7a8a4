#include "scenario/EmptyApplication.h"
#include "scenario/ScenarioRunner.h"
#include "support/ScopedEnvironment.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::ScopedEnvironment;
using testsupport::TempDir;
using testsupport::writeFile;

// Runs the scenario text, kept in a folder of its own, into the output folder.
scenario::RunResult runInto(const std::string& folder, const std::string& scenarioText,
                            const std::string& scenarioFile = "")
{
    TempDir input;
    const std::string file = scenarioFile.empty() ? input.path() + "/scenario.json" : scenarioFile;
    if (scenarioFile.empty()) writeFile(file, scenarioText);
    auto app = std::make_unique<scenario::EmptyApplication>();
    auto loaded = scenario::loadScenario(file, *app);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) return *refusal;
    return scenario::runScenario(std::get<scenario::Scenario>(loaded), folder, std::move(app));
}

std::string writingStates(std::initializer_list<std::string> files)
{
    std::string steps;
    for (const auto& file : files)
        steps += std::string(steps.empty() ? "" : ", ") + R"({"at": 0.5, "do": "state", "file": ")" + file + "\"}";
    return R"({"until": 1, "steps": [)" + steps + "]}";
}

// Every entry below the folder, links not followed: "name/" for a folder, "name -> target"
// for a link, "name: bytes" for a file.
std::map<std::string, std::string> entries(const std::string& folder)
{
    std::map<std::string, std::string> all;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = fs::relative(it->path(), folder).string();
        if (it->is_symlink())
            all[name] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            all[name] = "/";
        else
            all[name] = readFile(it->path().string());
    }
    return all;
}

nlohmann::json manifest(const std::string& folder)
{
    return nlohmann::json::parse(readFile(folder + "/.glimra-run.json"));
}

TEST(OutputFolder, AFolderNoRunWroteIsRefusedUntouched)
{
    {
        // A folder named like a step file, beside a file of the user's.
        TempDir out;
        writeFile(out.path() + "/important/keep.txt", "mine");
        writeFile(out.path() + "/notes.txt", "also mine");
        const auto before = entries(out.path());
        const auto result = runInto(out.path(), writingStates({"important"}));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.message,
                  out.path() + " is not empty and holds no .glimra-run.json of an earlier run; nothing was touched");
        EXPECT_EQ(entries(out.path()), before);
    }
    {
        // The scenario's own folder: the scenario file cannot be overwritten.
        TempDir own;
        const std::string file = own.path() + "/scenario.json";
        const std::string text = writingStates({"scenario.json"});
        writeFile(file, text);
        const auto result = runInto(own.path(), "", file);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(readFile(file), text);
        EXPECT_EQ(entries(own.path()).size(), 1u);
    }
    {
        // A manifest that is not one is no licence to remove anything.
        TempDir out;
        writeFile(out.path() + "/.glimra-run.json", R"({"files": ["../elsewhere"], "folders": []})");
        writeFile(out.path() + "/a.json", "mine");
        const auto before = entries(out.path());
        EXPECT_EQ(runInto(out.path(), writingStates({"b.json"})).message,
                  out.path() + "/.glimra-run.json: not the manifest of an earlier run; nothing was touched");
        EXPECT_EQ(entries(out.path()), before);
    }
}

TEST(OutputFolder, NothingIsWrittenThroughALinkOrOverWhatNoRunWrote)
{
    TempDir out, elsewhere;
    ASSERT_EQ(runInto(out.path(), writingStates({"first.json"})).status, 0);
    writeFile(elsewhere.path() + "/keep/precious.txt", "outside");
    writeFile(out.path() + "/sub/keep/precious.txt", "inside");
    fs::create_directory_symlink(elsewhere.path(), out.path() + "/outside");
    fs::create_directory_symlink(out.path() + "/sub", out.path() + "/inside");
    fs::create_symlink(elsewhere.path() + "/keep/precious.txt", out.path() + "/file-link");
    const auto before = entries(out.path());
    const auto beforeElsewhere = entries(elsewhere.path());

    const std::vector<std::pair<std::string, std::string>> cases{
        {"outside/keep", "steps[0].file: " + out.path() + "/outside is a symbolic link"},
        {"inside/keep", "steps[0].file: " + out.path() + "/inside is a symbolic link"},
        {"file-link", "steps[0].file: " + out.path() + "/file-link is a symbolic link"},
        {"sub/keep", "steps[0].file: " + out.path() + "/sub/keep exists and was not written by an earlier run"},
        {"sub/keep/precious.txt/x", "steps[0].file: " + out.path() + "/sub/keep/precious.txt is not a folder"},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file);
        const auto result = runInto(out.path(), writingStates({file}));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.message, message + "; nothing was touched");
        EXPECT_EQ(entries(out.path()), before);
    }
    EXPECT_EQ(entries(elsewhere.path()), beforeElsewhere);

    // The run's own folders are no way out either.
    fs::remove_all(out.path() + "/data");
    fs::create_directory_symlink(elsewhere.path(), out.path() + "/data");
    EXPECT_EQ(runInto(out.path(), writingStates({"second.json"})).message,
              out.path() + "/data is a symbolic link; nothing was touched");
    EXPECT_EQ(entries(elsewhere.path()), beforeElsewhere);
}

TEST(OutputFolder, ASecondRunRemovesExactlyWhatTheFirstWrote)
{
    TempDir out;
    ASSERT_EQ(runInto(out.path(), writingStates({"first.json", "states/one.json", "deep/er/two.json"})).status, 0);
    EXPECT_EQ(manifest(out.path()), nlohmann::json::parse(R"({
        "files": ["data/Glimra/diag.log", "deep/er/two.json", "desktop.jsonl", "first.json", "state.json",
                  "states/one.json", "syslog.txt"],
        "folders": ["config", "config/Glimra", "data", "data/Glimra", "deep", "deep/er", "runtime", "states", "tmp"]})"));
    // What the user adds to the folder meanwhile is theirs.
    writeFile(out.path() + "/notes.txt", "mine");
    writeFile(out.path() + "/states/mine.txt", "mine too");
    writeFile(out.path() + "/data/Glimra/extra.txt", "and this");

    ASSERT_EQ(runInto(out.path(), writingStates({"second.json"})).status, 0);
    std::vector<std::string> names;
    for (const auto& [name, contents] : entries(out.path())) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{".glimra-run.json", "config", "config/Glimra", "data", "data/Glimra",
                                               "data/Glimra/diag.log", "data/Glimra/extra.txt", "desktop.jsonl",
                                               "notes.txt", "runtime", "second.json", "state.json", "states",
                                               "states/mine.txt", "syslog.txt", "tmp"}));
    EXPECT_EQ(manifest(out.path())["files"], nlohmann::json::parse(R"(
        ["data/Glimra/diag.log", "desktop.jsonl", "second.json", "state.json", "syslog.txt"])"));
    EXPECT_EQ(fs::status(out.path() + "/runtime").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(out.path() + "/tmp").permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(OutputFolder, ARunTouchesNoneOfTheUsersFiles)
{
    TempDir user, out;
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", user.path() + "/config");
    environment.set("XDG_DATA_HOME", user.path() + "/data");
    environment.set("XDG_RUNTIME_DIR", user.path() + "/runtime");
    writeFile(user.path() + "/config/Glimra/defaults.json", "{corrupt");
    const auto before = entries(user.path());

    const auto result =
        runInto(out.path(), R"({"settings": {"hoverPreviewDelay": 0.5, "takeoverLearnedMinSizes": {"a": [1, 2]}},
        "steps": [{"at": 1, "do": "signal", "name": "SIGUSR1"}]})");
    ASSERT_EQ(result.status, 0) << result.message;
    EXPECT_EQ(entries(user.path()), before);
    EXPECT_EQ(nlohmann::json::parse(readFile(out.path() + "/config/Glimra/defaults.json")),
              nlohmann::json::parse(R"({"hoverPreviewDelay": 0.5, "takeoverLearnedMinSizes": {"a": [1, 2]}})"));
    EXPECT_EQ(readFile(out.path() + "/data/Glimra/diag.log"), "09:00:01 signal SIGUSR1 received\n");
    EXPECT_EQ(std::string(std::getenv("XDG_CONFIG_HOME")), user.path() + "/config");
    EXPECT_EQ(std::string(std::getenv("XDG_RUNTIME_DIR")), user.path() + "/runtime");
}

}  // namespace
