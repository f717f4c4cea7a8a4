#include "scenario/ScenarioParser.h"

#include "scenario/BoundedJson.h"
#include "scenario/LaunchInputs.h"
#include "scenario/ScenarioChecks.h"
#include "scenario/ScenarioValues.h"
#include "scenario/ServerRoutes.h"
#include "scenario/StepReader.h"
#include "scenario/WorldReader.h"

namespace scenario {
namespace {

using nlohmann::json;

constexpr std::size_t maxNesting = 64;

const std::vector<std::string_view> topKeys{
    "args",     "clock",           "languages",    "settings",    "permissions",     "inputFaults",
    "displays", "virtualDisplays", "windowServer", "apps",        "front",           "frontmost",
    "until",    "steps",           "environment",  "loginItem",   "reservedHotkeys", "server",
    "system",   "identity",        "files",        "alertAnswers"};

Scenario readTop(const json& root, const CommandCheck& hasCommand)
{
    const Fields f(root, "", topKeys);
    Scenario scenario;
    if (const auto* v = f.find("args")) scenario.args = readStrings(*v, f.path("args"));
    if (const auto* v = f.find("clock")) scenario.clock = readClock(*v, f.path("clock"));
    if (const auto* v = f.find("languages")) {
        scenario.languages = readStrings(*v, f.path("languages"));
        for (std::size_t i = 0; i < scenario.languages.size(); ++i)
            if (scenario.languages[i].empty()) refuse(itemPath(f.path("languages"), i), "must not be empty");
    }
    if (const auto* v = f.find("settings")) scenario.settings = readSettings(*v, f.path("settings"));
    if (const auto* v = f.find("permissions")) {
        const Fields p(*v, f.path("permissions"), {"screenRecording", "accessibility"});
        if (const auto* g = p.find("screenRecording"))
            scenario.screenRecording = readBool(*g, p.path("screenRecording"));
        if (const auto* g = p.find("accessibility")) scenario.accessibility = readBool(*g, p.path("accessibility"));
    }
    if (const auto* v = f.find("virtualDisplays"))
        scenario.virtualDisplays = readVirtualDisplays(*v, f.path("virtualDisplays"));
    if (const auto* v = f.find("windowServer")) scenario.windowServer = readWindowServer(*v, f.path("windowServer"));
    if (const auto* v = f.find("inputFaults")) {
        const Fields faults(*v, f.path("inputFaults"), {"ignoreWarps"});
        if (const auto* g = faults.find("ignoreWarps")) scenario.ignoreWarps = readBool(*g, faults.path("ignoreWarps"));
    }
    if (const auto* v = f.find("environment")) scenario.environment = readEnvironment(*v, f.path("environment"));
    if (const auto* v = f.find("loginItem")) scenario.loginItem = readLoginItem(*v, f.path("loginItem"));
    if (const auto* v = f.find("reservedHotkeys"))
        scenario.reservedHotkeys = readReservedHotkeys(*v, f.path("reservedHotkeys"));
    if (const auto* v = f.find("server")) scenario.server = readServerRoutes(*v, f.path("server"));
    if (const auto* v = f.find("system")) scenario.system = readSystem(*v, f.path("system"), scenario.system);
    if (const auto* v = f.find("identity")) scenario.identity = readIdentity(*v, f.path("identity"));
    if (const auto* v = f.find("files")) scenario.files = readPlacedFiles(*v, f.path("files"));
    if (const auto* v = f.find("alertAnswers")) scenario.alertAnswers = readAlertAnswers(*v, f.path("alertAnswers"));
    if (const auto* v = f.find("displays")) {
        const auto& list = readList(*v, f.path("displays"));
        for (std::size_t i = 0; i < list.size(); ++i)
            scenario.displays.push_back(readDisplay(list[i], itemPath(f.path("displays"), i)));
    } else {
        scenario.displays.push_back(readDisplay(json{{"id", 1}, {"frame", {0, 0, 1512, 982}}}, "displays[0]"));
    }
    if (const auto* v = f.find("apps")) {
        const auto& list = readList(*v, f.path("apps"));
        for (std::size_t i = 0; i < list.size(); ++i)
            scenario.apps.push_back(readApp(list[i], itemPath(f.path("apps"), i)));
    }
    if (const auto* v = f.find("front")) {
        const auto& list = readList(*v, f.path("front"));
        for (std::size_t i = 0; i < list.size(); ++i)
            scenario.front.push_back(readWindowID(list[i], itemPath(f.path("front"), i)));
    }
    if (const auto* v = f.find("frontmost"))
        scenario.frontmost = readPid(*v, f.path("frontmost"));
    else if (!scenario.apps.empty() && !scenario.apps.front().hidden)
        scenario.frontmost = scenario.apps.front().pid;
    if (const auto* v = f.find("steps")) {
        const auto& list = readList(*v, f.path("steps"));
        for (std::size_t i = 0; i < list.size(); ++i)
            scenario.steps.push_back(readStep(list[i], itemPath(f.path("steps"), i), hasCommand));
    }
    scenario.until = scenario.steps.empty() ? 1 : scenario.steps.back().end() + 1;
    if (const auto* v = f.find("until")) scenario.until = readSeconds(*v, f.path("until"));
    return scenario;
}

}  // namespace

std::variant<Scenario, ValidationError> readScenario(const std::string& text, const CommandCheck& hasCommand)
{
    auto parsed = parseBoundedJson(text, maxNesting);
    if (auto* error = std::get_if<ValidationError>(&parsed)) return std::move(*error);
    const json& root = std::get<json>(parsed);
    try {
        Scenario scenario = readTop(root, hasCommand);
        checkReferences(scenario);
        checkOutputFiles(scenario);
        checkLaunchPaths(scenario);
        return scenario;
    } catch (const ValidationError& error) {
        return error;
    }
}

}  // namespace scenario
