#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::runGlimra;
using testsupport::TempDir;

const std::string usage =
    "usage: glimra [-glimra-... arguments]\n"
    "       glimra --version\n"
    "       glimra --help\n"
    "       glimra --scenario FILE --out DIR\n"
    "       glimra --live FILE --out DIR [-glimra-... arguments]\n";

// The launch arguments a text names, "-glimra-tab=N" as "-glimra-tab=1".
std::vector<std::string> launchArgumentsIn(const std::string& text)
{
    std::vector<std::string> found;
    for (auto at = text.find("-glimra-"); at != std::string::npos; at = text.find("-glimra-", at + 1)) {
        const auto end = text.find_first_of(" \n", at);
        std::string argument = text.substr(at, end - at);
        if (argument == "-glimra-...") continue;
        if (argument.ends_with("=N")) argument.back() = '1';
        found.push_back(argument);
    }
    return found;
}

TEST(CommandLine, HelpIsAnAnswerAndAnUnknownOptionIsNamed)
{
    TempDir scratch;
    for (const char* help : {"--help", "-h"}) {
        const auto outcome = runGlimra(help, scratch.path());
        EXPECT_EQ(outcome.status, 0) << help;
        EXPECT_TRUE(outcome.out.starts_with(usage + "\n")) << help << ": " << outcome.out;
        EXPECT_EQ(outcome.err, "") << help;
    }
    // Every launch argument the help lists is one the command line takes.
    const auto listed = launchArgumentsIn(runGlimra("--help", scratch.path()).out);
    EXPECT_GE(listed.size(), 10u);
    for (const auto& argument : listed)
        EXPECT_EQ(runGlimra("--scenario a.json --out b " + argument, scratch.path()).err,
                  "glimra: the launch argument '" + argument + "' needs --live\n" + usage);
    const auto unknown = runGlimra("--foo", scratch.path());
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_EQ(unknown.err, "glimra: unknown option '--foo'\n" + usage);

    const auto stray = runGlimra("--scenario a.json --out b extra", scratch.path());
    EXPECT_EQ(stray.status, 2);
    EXPECT_EQ(stray.err, "glimra: unexpected argument 'extra'\n" + usage);
    const auto dangling = runGlimra("--scenario a.json --out", scratch.path());
    EXPECT_EQ(dangling.err, "glimra: option '--out' needs a value\n" + usage);
    // A run without its folder, or a folder without a run, names what is missing.
    EXPECT_EQ(runGlimra("--scenario a.json", scratch.path()).err,
              "glimra: option '--scenario' needs '--out DIR'\n" + usage);
    EXPECT_EQ(runGlimra("--live a.json", scratch.path()).err, "glimra: option '--live' needs '--out DIR'\n" + usage);
    EXPECT_EQ(runGlimra("--out b", scratch.path()).err,
              "glimra: option '--out' needs '--scenario FILE' or '--live FILE'\n" + usage);
    // Shown escaped, whole.
    EXPECT_EQ(runGlimra("\"$(printf -- '--a\\033b\\nc')\"", scratch.path()).err,
              "glimra: unknown option '--a\\u001bb\\nc'\n" + usage);

    // Launch arguments are a live run's; a run is either kind, never both.
    const auto launchArgument = runGlimra("--scenario a.json --out b -glimra-diag-selftest", scratch.path());
    EXPECT_EQ(launchArgument.status, 2);
    EXPECT_EQ(launchArgument.err, "glimra: the launch argument '-glimra-diag-selftest' needs --live\n" + usage);
    for (const char* incomplete : {"--live a.json --scenario a.json --out b", "--version --live a.json"}) {
        const auto outcome = runGlimra(incomplete, scratch.path());
        EXPECT_EQ(outcome.status, 2) << incomplete;
        EXPECT_EQ(outcome.err, usage) << incomplete;
    }
}

TEST(CommandLine, WithoutARunFileItNeedsAnX11Display)
{
    TempDir scratch;
    const std::string noDisplay =
        "glimra: no X11 display (DISPLAY is not set); to run on the simulated desktop: glimra --scenario FILE --out "
        "DIR\n";
    for (const char* arguments : {"", "-glimra-show-settings"}) {
        const auto outcome = runGlimra(arguments, scratch.path(), "env -u DISPLAY -u WAYLAND_DISPLAY");
        EXPECT_EQ(outcome.status, 2) << arguments;
        EXPECT_EQ(outcome.out, "") << arguments;
        EXPECT_EQ(outcome.err, noDisplay) << arguments;
    }
    const auto wayland = runGlimra("", scratch.path(), "env -u DISPLAY WAYLAND_DISPLAY=wayland-0");
    EXPECT_EQ(wayland.status, 2);
    EXPECT_EQ(wayland.err, "glimra: no X11 display (DISPLAY is not set); Glimra needs XWayland in a Wayland session\n");
    // A display that is named but cannot be reached is the connection's own line.
    const auto unreachable = runGlimra("", scratch.path(), "env DISPLAY=:9999");
    EXPECT_EQ(unreachable.status, 1);
    EXPECT_EQ(unreachable.err, "glimra: cannot open the X11 display ':9999'\n");
    // Launch arguments stay a live run's or a desktop run's, never a scenario's.
    const auto withFolder = runGlimra("-glimra-show-settings --out b", scratch.path(), "env -u DISPLAY");
    EXPECT_EQ(withFolder.status, 2);
    EXPECT_EQ(withFolder.err, "glimra: the launch argument '-glimra-show-settings' needs --live\n" + usage);
}

TEST(CommandLine, ALiveRunTakesOnlyTheLaunchArgumentsTheApplicationKnows)
{
    TempDir scratch;
    const auto unknown = runGlimra("--live a.json -glimra-nonsense --out b", scratch.path());
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "glimra: unknown option '-glimra-nonsense'\n" + usage);
    // Known ones pass on to the file, which is missing here.
    for (const char* known : {"-glimra-layout-selftest", "-glimra-menu-shot", "-glimra-show-settings", "-glimra-tab=2",
                              "-glimra-await-instance-lock"}) {
        const auto outcome = runGlimra("--live a.json " + std::string(known) + " --out b", scratch.path());
        EXPECT_EQ(outcome.status, 2) << known;
        EXPECT_EQ(outcome.err, "a.json: cannot read\n") << known;
    }
}

TEST(CommandLine, InputsThatAreNoScenarioFileAreRefused)
{
    TempDir scratch;
    const auto refused = [&](const std::string& scenario) {
        const auto outcome = runGlimra("--scenario " + scenario + " --out " + scratch.path() + "/out", scratch.path());
        EXPECT_EQ(outcome.status, 2) << scenario;
        return outcome.err;
    };
    EXPECT_EQ(refused(scratch.path()), scratch.path() + ": is a folder, not a scenario file\n");
    // A device is never read on: /dev/zero would fill memory.
    EXPECT_EQ(refused("/dev/zero"), "/dev/zero: not a regular file\n");
    testsupport::writeFile(scratch.path() + "/huge.json", std::string(16 * 1024 * 1024 + 1, ' '));
    EXPECT_EQ(refused(scratch.path() + "/huge.json"), scratch.path() + "/huge.json: larger than 16 MiB\n");
    testsupport::writeFile(scratch.path() + "/far.json", R"({"until": 1e400})");
    EXPECT_EQ(refused(scratch.path() + "/far.json"), "until: 1e400 is out of range\n");
    // Nothing was made for the refused runs.
    EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/out"));
}

TEST(CommandLine, ARunPrintsNothingWithoutARuntimeFolderOfItsOwn)
{
    TempDir scratch;
    const std::string out = scratch.path() + "/out";
    const auto outcome = runGlimra("--scenario " + std::string(GLIMRA_EXAMPLES_DIR) + "/demo.json --out " + out,
                                   scratch.path(), "env -u XDG_RUNTIME_DIR");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
}

}  // namespace
