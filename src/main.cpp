#include "platform/core/AppIdentity.h"
#include "scenario/EmptyApplication.h"
#include "scenario/ScenarioRunner.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr const char* usage =
    "usage: glimra --version\n"
    "       glimra --scenario FILE --out DIR\n";

struct Arguments {
    bool version = false;
    std::optional<std::string> scenario;
    std::optional<std::string> out;
};

// None for arguments that make no sense together.
std::optional<Arguments> parseArguments(int argc, char** argv)
{
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--version") {
            arguments.version = true;
        } else if ((arg == "--scenario" || arg == "--out") && i + 1 < argc) {
            (arg == "--scenario" ? arguments.scenario : arguments.out) = argv[++i];
        } else {
            return std::nullopt;
        }
    }
    if (arguments.version) return arguments.scenario || arguments.out ? std::nullopt : std::optional(arguments);
    if (!arguments.scenario || !arguments.out) return std::nullopt;
    return arguments;
}

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

int main(int argc, char** argv)
{
    const auto arguments = parseArguments(argc, argv);
    if (!arguments) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (arguments->version) {
        std::printf("%s\n", core::AppIdentity::current().versionLine().c_str());
        return 0;
    }

    // A refused scenario is told before anything else can write to standard error.
    auto application = std::make_unique<scenario::EmptyApplication>();
    const auto loaded = scenario::loadScenario(*arguments->scenario, *application);
    if (const auto* refusal = std::get_if<scenario::RunResult>(&loaded)) {
        std::fprintf(stderr, "%s\n", refusal->message.c_str());
        return refusal->status;
    }

    // Without a display the own windows still work, drawn off screen.
    if (!isSet("QT_QPA_PLATFORM") && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication qtApplication(qtArgc, argv);

    const auto result =
        scenario::runScenario(std::get<scenario::Scenario>(loaded), *arguments->out, std::move(application));
    if (!result.message.empty()) std::fprintf(stderr, "%s\n", result.message.c_str());
    return result.status;
}
