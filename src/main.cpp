#include "app/AppDelegate.h"
#include "app/DescriptorLimit.h"
#include "app/DesktopRun.h"
#include "app/LaunchArguments.h"
#include "app/ToolkitStartMessages.h"
#include "platform/core/AppIdentity.h"
#include "platform/linux/FolderExchange.h"
#include "platform/x11/X11Connection.h"
#include "scenario/LiveRun.h"
#include "scenario/OutputFolder.h"
#include "scenario/ScenarioRunner.h"
#include "scenario/ShownText.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

constexpr const char* usage =
    "usage: glimra [-glimra-... arguments]\n"
    "       glimra --version\n"
    "       glimra --help\n"
    "       glimra --scenario FILE --out DIR\n"
    "       glimra --live FILE --out DIR [-glimra-... arguments]\n";

// What --help adds to the usage.
constexpr const char* help =
    "\n"
    "With no arguments, or with launch arguments only, glimra runs on the X11 desktop that\n"
    "DISPLAY names (an Xorg session, or XWayland in a Wayland session) until it quits from its\n"
    "menu or gets SIGTERM or SIGINT.\n"
    "\n"
    "  --version                  prints the version line\n"
    "  --scenario FILE --out DIR  runs the scenario FILE on the simulated desktop in virtual\n"
    "                             time and writes what happened into DIR\n"
    "  --live FILE --out DIR      runs the application in real time on the simulated desktop\n"
    "                             of FILE's world, headless, writing into DIR\n"
    "\n"
    "Launch arguments, for a run on the X11 desktop or a live run:\n"
    "  -glimra-layout-selftest      self-test of the mini windows' tiling\n"
    "  -glimra-size-selftest        self-test of the mini windows' sizes\n"
    "  -glimra-focus-selftest       self-test of the focus regions' geometry\n"
    "  -glimra-update-selftest      self-test of the update rules\n"
    "  -glimra-diag-selftest        writes the diagnostics to glimra-diag.txt in the temporary\n"
    "                               folder\n"
    "  -glimra-menu-thumb-selftest  writes window thumbnails to glimra-menu-thumbs/ in the\n"
    "                               temporary folder\n"
    "  -glimra-menu-shot            opens the status menu after 3.5 s and photographs it to\n"
    "                               menu-shot.png in that folder\n"
    "  -glimra-show-settings        opens the settings window\n"
    "  -glimra-tab=N                the settings window opens on tab N, 0 for the first\n"
    "  -glimra-await-instance-lock  first waits, at most 15 s, until the copy before it has\n"
    "                               given up the instance lock\n"
    "A self-test runs in place of the application, which exits with its status; of several,\n"
    "the first in this list runs.\n";

// The launch arguments a live or desktop run hands to the application.
constexpr std::string_view launchArgumentPrefix = "-glimra-";

struct Arguments {
    bool help = false;
    bool version = false;
    std::optional<std::string> scenario;
    std::optional<std::string> live;
    std::optional<std::string> out;
    std::vector<std::string> launchArgs;
};

// The arguments, or the line that tells what is wrong with them ("" when the usage says
// it all).
std::variant<Arguments, std::string> parseArguments(int argc, char** argv)
{
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            arguments.help = true;
        } else if (arg == "--version") {
            arguments.version = true;
        } else if (arg == "--scenario" || arg == "--live" || arg == "--out") {
            if (i + 1 == argc) return "glimra: option '" + arg + "' needs a value";
            auto& value = arg == "--scenario" ? arguments.scenario : arg == "--live" ? arguments.live : arguments.out;
            value = argv[++i];
        } else if (arg.starts_with(launchArgumentPrefix) && app::isLaunchArgument(arg)) {
            arguments.launchArgs.push_back(arg);
        } else if (arg.starts_with("-")) {
            return "glimra: unknown option '" + arg + "'";
        } else {
            return "glimra: unexpected argument '" + arg + "'";
        }
    }
    if (arguments.help) return arguments;
    const bool run = arguments.scenario || arguments.live;
    if (!arguments.launchArgs.empty() && (arguments.scenario || (!run && (arguments.version || arguments.out))))
        return "glimra: the launch argument '" + arguments.launchArgs.front() + "' needs --live";
    if (arguments.version) {
        if (run || arguments.out) return std::string();
        return arguments;
    }
    if (arguments.scenario && arguments.live) return std::string();
    if (run && !arguments.out)
        return std::string("glimra: option '") + (arguments.scenario ? "--scenario" : "--live") + "' needs '--out DIR'";
    if (!run && arguments.out) return "glimra: option '--out' needs '--scenario FILE' or '--live FILE'";
    return arguments;
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Without a run file the application runs on the X11 display DISPLAY names; the line and
// status when it cannot, else never returns.
int runOnDisplay(char** argv, const std::vector<std::string>& launchArgs)
{
    if (!isSet("DISPLAY")) {
        std::fputs(isSet("WAYLAND_DISPLAY")
                       ? "glimra: no X11 display (DISPLAY is not set); Glimra needs XWayland in a Wayland session\n"
                       : "glimra: no X11 display (DISPLAY is not set); to run on the simulated desktop: glimra "
                         "--scenario FILE --out DIR\n",
                   stderr);
        return 2;
    }
    auto opened = x11::Connection::open();
    if (const auto* problem = std::get_if<std::string>(&opened)) {
        std::fprintf(stderr, "%s\n", scenario::shownText(*problem).c_str());
        return 1;
    }
    auto connection = std::get<std::shared_ptr<x11::Connection>>(std::move(opened));
    // Our own windows must be X windows, also in a Wayland session.
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    int qtArgc = 1;
    std::optional<app::ToolkitStartMessages> startMessages(std::in_place, connection->displayName());
    QApplication qtApplication(qtArgc, argv);
    startMessages.reset();
    app::runOnX11Desktop(std::move(connection), launchArgs);
}

// Runs the scenario or live run the arguments name; its status.
int runFile(char** argv, const Arguments& arguments)
{
    const bool live = arguments.live.has_value();

    // A refused scenario is told before anything else can write to standard error.
    auto application = std::make_unique<app::AppDelegate>();
    const auto loaded = scenario::loadScenario(live ? *arguments.live : *arguments.scenario, *application);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return refusal->status;
    }
    const auto& scenario = std::get<scenario::Scenario>(loaded);

    // The widget toolkit reads its configuration and runtime folders when it starts, so
    // the run's own are in place before it does. A live run writes no step's file and
    // shares the user's runtime folder, where the instance lock is.
    scenario::OutputFolder output(*arguments.out);
    const auto refusal = live ? scenario::attachOutput(output, scenario, scenario::OutputFolder::Runtime::process)
                              : scenario::attachOutput(output, scenario);
    if (refusal) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return refusal->status;
    }

    // Without a display the own windows still work, drawn off screen; a live run never
    // shows them.
    if (live || (!isSet("QT_QPA_PLATFORM") && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication qtApplication(qtArgc, argv);

    if (live) scenario::runLive(scenario, output, std::move(application), arguments.launchArgs);
    const auto result = scenario::runScenario(scenario, output, std::move(application));
    if (!result.message.empty()) std::fprintf(stderr, "%s\n", result.message.c_str());
    return result.status;
}

}  // namespace

int main(int argc, char** argv)
{
    // The replace script's swap of two bundle folders, run by the copy that wrote it.
    if (argc == 4 && std::string_view(argv[1]) == linuxdesktop::exchangeFoldersArgument)
        return linuxdesktop::exchangeStatus(linuxdesktop::exchangeFolders(argv[2], argv[3]));
    const auto parsed = parseArguments(argc, argv);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        if (!problem->empty()) std::fprintf(stderr, "%s\n", scenario::shownText(*problem).c_str());
        std::fputs(usage, stderr);
        return 2;
    }
    const auto& arguments = std::get<Arguments>(parsed);
    if (arguments.help) {
        std::fputs(usage, stdout);
        std::fputs(help, stdout);
        return 0;
    }
    if (arguments.version) {
        std::printf("%s\n", core::AppIdentity::current().versionLine().c_str());
        return 0;
    }
    if (const auto problem = app::raiseOpenFileLimit()) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }
    // A thread or a lock the system refuses is one line, not an abort. Workers may be
    // running, so the static objects are left as they are.
    try {
        if (!arguments.scenario && !arguments.live) return runOnDisplay(argv, arguments.launchArgs);
        return runFile(argv, arguments);
    } catch (const std::system_error& error) {
        std::fprintf(stderr, "glimra: out of a system resource (threads, memory or locks): %s\n", error.what());
        std::fflush(nullptr);
        ::_exit(1);
    }
}
