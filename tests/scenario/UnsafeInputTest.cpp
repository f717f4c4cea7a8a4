#include "scenario/ConfinedFolder.h"
#include "scenario/EmptyApplication.h"
#include "scenario/GlimraProcess.h"
#include "scenario/ScenarioParser.h"
#include "scenario/ScenarioRunner.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::TempDir;
using testsupport::writeFile;

std::string refusal(const std::string& text)
{
    const auto result = scenario::readScenario(text, {});
    if (const auto* error = std::get_if<scenario::ValidationError>(&result)) return error->text();
    return "";
}

// The line a run of the file would print, or "" when it would run.
std::string loadRefusal(const std::string& text)
{
    TempDir input;
    writeFile(input.path() + "/scenario.json", text);
    const scenario::EmptyApplication app;
    const auto loaded = scenario::loadScenario(input.path() + "/scenario.json", app);
    const auto* refused = std::get_if<scenario::RunResult>(&loaded);
    return refused ? refused->message : "";
}

TEST(UnsafeInput, APathHoldingANulByteIsRefusedWhereverItIsNamed)
{
    // The system reads "..\0" as "..": each of these would reach the folder's parent.
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"files": [{"path": "..\u0000/X.txt", "text": "x"}]})", "files[0].path: holds a NUL byte"},
        {R"({"files": [{"path": "a/b\u0000", "text": "x"}]})", "files[0].path: holds a NUL byte"},
        {R"({"steps": [{"at": 0, "do": "state", "file": "..\u0000/S.json"}]})", "steps[0].file: holds a NUL byte"},
        {R"({"steps": [{"at": 0, "do": "screenshot", "file": "..\u0000"}]})", "steps[0].file: holds a NUL byte"},
        {R"({"steps": [{"at": 0, "do": "controls", "file": "x/..\u0000"}]})", "steps[0].file: holds a NUL byte"},
        {R"({"identity": {"bundlePath": "..\u0000/Glimra.app"}})", "identity.bundlePath: holds a NUL byte"},
        {R"({"environment": {"HOME": "/tmp\u0000/x"}})", "environment.HOME: holds a NUL byte"},
        // Decoded first: escapes spelling ".." are still "..".
        {R"({"files": [{"path": "\u002e\u002e/X.txt", "text": "x"}]})",
         "files[0].path: expected a relative path inside the output folder"},
        // Too long a name for the system is refused as such, not met later as a file
        // that "exists".
        {R"({"files": [{"path": "a/)" + std::string(256, 'n') + R"(", "text": "x"}]})",
         "files[0].path: a name in the path is longer than 255 bytes"},
        {R"({"steps": [{"at": 0, "do": "state", "file": ")" + std::string(300, 'n') + R"("}]})",
         "steps[0].file: a name in the path is longer than 255 bytes"},
    };
    for (const auto& [text, message] : cases) EXPECT_EQ(refusal(text), message) << text;
    EXPECT_EQ(refusal(R"({"files": [{"path": ")" + std::string(255, 'n') + R"(", "text": "x"}]})"), "");
}

TEST(UnsafeInput, AManifestNamingAPathOutsideTheFolderIsNoManifestAndNothingOutsideGoes)
{
    testsupport::ensureQtApplication();
    TempDir root;
    const std::string out = root.path() + "/out";
    writeFile(root.path() + "/VICTIM.txt", "mine");
    writeFile(out + "/.glimra-run.json", std::string(R"({"files": ["..\u0000/VICTIM.txt"], "folders": []})"));

    TempDir input;
    writeFile(input.path() + "/scenario.json", "{}");
    auto app = std::make_unique<scenario::EmptyApplication>();
    const auto loaded = scenario::loadScenario(input.path() + "/scenario.json", *app);
    ASSERT_TRUE(std::holds_alternative<scenario::Scenario>(loaded));
    const auto result = scenario::runScenario(std::get<scenario::Scenario>(loaded), out, std::move(app));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.message, out + "/.glimra-run.json: not the manifest of an earlier run; nothing was touched");
    EXPECT_EQ(testsupport::readFile(root.path() + "/VICTIM.txt"), "mine");
    // The refused run let the folder go without a trace.
    EXPECT_FALSE(std::filesystem::exists(out + "/.glimra-run.lock"));

    // Nor does the folder itself write or remove through such a name.
    const auto folder = scenario::ConfinedFolder::open(out, false);
    ASSERT_TRUE(folder);
    EXPECT_FALSE(folder->removeFile(std::string("..\0/VICTIM.txt", 14)));
    EXPECT_FALSE(folder->writeFile(std::string("..\0/X.txt", 9), "x"));
    EXPECT_TRUE(std::filesystem::exists(root.path() + "/VICTIM.txt"));
    EXPECT_FALSE(std::filesystem::exists(root.path() + "/X.txt"));
}

TEST(UnsafeInput, ARefusalShowsControlCharactersEscapedNeverRawOrCut)
{
    const std::string text = R"({"settings": {"a\u0000b\n\u001b[31mc": 1}})";
    EXPECT_EQ(loadRefusal(text), R"(settings.a\u0000b\n\u001b[31mc: unknown key)");
    EXPECT_EQ(loadRefusal(R"({"steps": [{"at": 0, "do": "menu.choose", "title": 5, "x\ty": 1}]})"),
              R"(steps[0].x\ty: unknown key)");

    // The process prints the whole line.
    TempDir scratch;
    writeFile(scratch.path() + "/bad.json", text);
    const auto outcome = testsupport::runGlimra(
        "--scenario " + scratch.path() + "/bad.json --out " + scratch.path() + "/out", scratch.path());
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.err, "settings.a\\u0000b\\n\\u001b[31mc: unknown key\n");
}

TEST(UnsafeInput, SettingsTakeOnlyTheKeysTheApplicationReads)
{
    // A misspelt key would leave the guide's setting absent and the guide showing.
    EXPECT_EQ(refusal(R"({"settings": {"onboardingComplete": true}})"), "settings.onboardingComplete: unknown key");
    EXPECT_EQ(refusal(R"({"settings": {"onboardingCompleted": true, "pipOpacity": 0.5, "captureHotKeyCode": 3,
                                       "takeoverLearnedMinSizes": {"a": "900x700"}}})"),
              "");
}

TEST(UnsafeInput, ADisplayOfMoreThan16384PixelsASideIsRefused)
{
    EXPECT_EQ(refusal(R"({"displays": [{"id": 1, "frame": [0, 0, 16384, 1000], "scale": 4}]})"),
              "displays[0]: at scale 4.0 the display is 65536 × 4000 pixels, more than 16384 a side");
    EXPECT_EQ(refusal(R"({"displays": [{"id": 1, "frame": [0, 0, 1000, 8193]}]})"),
              "displays[0]: at scale 2.0 the display is 2000 × 16386 pixels, more than 16384 a side");
    EXPECT_EQ(refusal(R"({"displays": [{"id": 1, "frame": [0, 0, 4096, 4096], "scale": 4}]})"), "");
    EXPECT_EQ(refusal(R"({"steps": [{"at": 0, "do": "display.add",
                                     "display": {"id": 2, "frame": [0, 0, 8000, 10], "scale": 3}}]})"),
              "steps[0].display: at scale 3.0 the display is 24000 × 30 pixels, more than 16384 a side");
    // A move keeps the display's scale.
    EXPECT_EQ(refusal(R"({"displays": [{"id": 1, "frame": [0, 0, 1000, 800], "scale": 4}],
                         "steps": [{"at": 0, "do": "display.move", "id": 1, "frame": [0, 0, 5000, 800]}]})"),
              "steps[0].frame: at scale 4.0 the display is 20000 × 3200 pixels, more than 16384 a side");
}

TEST(UnsafeInput, EachApplicationWithoutAPathHasItsOwn)
{
    const auto result = scenario::readScenario(
        R"({"apps": [{"pid": 501, "name": "Mail"}, {"pid": 502, "name": "Notes"}, {"pid": 503, "path": "/opt/x.app"},
                     {"pid": 504}]})",
        {});
    ASSERT_TRUE(std::holds_alternative<scenario::Scenario>(result));
    const auto& apps = std::get<scenario::Scenario>(result).apps;
    EXPECT_EQ(apps[0].path, "/Applications/Mail.app");
    EXPECT_EQ(apps[1].path, "/Applications/Notes.app");
    EXPECT_EQ(apps[2].path, "/opt/x.app");
    EXPECT_EQ(apps[3].path, "/Applications/Editor.app");
}

}  // namespace
