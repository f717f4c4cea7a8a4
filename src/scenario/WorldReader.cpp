#include "scenario/WorldReader.h"

#include "platform/defaults/SettingsTable.h"
#include "scenario/JsonFields.h"
#include "scenario/ScenarioValues.h"

#include <climits>
#include <cstdint>
#include <ctime>

namespace scenario {
namespace {

using nlohmann::json;

constexpr double maxMillimetres = 10000;
constexpr long long maxLingerCommits = 1000;

const std::vector<std::string_view> displayKeys{"id",        "frame", "visibleFrame", "scale",
                                                "refreshHz", "mm",    "name",         "virtual"};
const std::vector<std::string_view> windowKeys{"id", "title", "frame", "layer", "content", "minimized", "offscreen"};
const std::vector<std::string_view> appKeys{"pid", "bundleID", "name", "path", "hidden", "windows", "behavior"};
const std::vector<std::string_view> behaviorKeys{"refuseMoves", "minSize", "reportMinSize",
                                                 "settleDelay", "hang",    "shiftMoves"};
// A number, or null for "none"; any other type is refused naming both.
const json* numberOrNull(const json& value, const std::string& path)
{
    if (value.is_null()) return nullptr;
    if (!value.is_number()) refuse(path, "expected a number or null");
    return &value;
}

}  // namespace

double readClock(const json& value, const std::string& path)
{
    const std::string text = readString(value, path);
    const char* pattern = "dddd-dd-ddTdd:dd:dd";
    bool shaped = text.size() == 19;
    for (std::size_t i = 0; shaped && i < text.size(); ++i)
        shaped = pattern[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == pattern[i];
    if (shaped) {
        std::tm parts{};
        parts.tm_year = std::stoi(text.substr(0, 4)) - 1900;
        parts.tm_mon = std::stoi(text.substr(5, 2)) - 1;
        parts.tm_mday = std::stoi(text.substr(8, 2));
        parts.tm_hour = std::stoi(text.substr(11, 2));
        parts.tm_min = std::stoi(text.substr(14, 2));
        parts.tm_sec = std::stoi(text.substr(17, 2));
        const std::tm asked = parts;
        const std::time_t seconds = timegm(&parts);
        std::tm back{};
        // timegm normalises impossible dates (February 30th); the round trip tells them.
        if (seconds >= 0 && gmtime_r(&seconds, &back) && back.tm_year == asked.tm_year && back.tm_mon == asked.tm_mon &&
            back.tm_mday == asked.tm_mday && back.tm_hour == asked.tm_hour && back.tm_min == asked.tm_min &&
            back.tm_sec == asked.tm_sec)
            return static_cast<double>(seconds);
    }
    refuse(path, "expected a time \"YYYY-MM-DDTHH:MM:SS\"");
}

json readSettings(const json& value, const std::string& path)
{
    const Fields checked(value, path, defaults::setting::allKeys());  // refuses an unknown key
    return value;
}

ScenarioDisplay readDisplay(const json& value, const std::string& path)
{
    const Fields f(value, path, displayKeys);
    ScenarioDisplay display;
    display.id = readDisplayID(f.require("id"), f.path("id"));
    display.frame = readBoundedFrame(f.require("frame"), f.path("frame"), false);
    display.visibleFrame = display.frame;
    if (const auto* v = f.find("visibleFrame"))
        display.visibleFrame = readBoundedFrame(*v, f.path("visibleFrame"), true);
    if (const auto* v = f.find("scale"))
        display.scale = inRange(readNumber(*v, f.path("scale")), f.path("scale"), 0.5, 4);
    checkDisplayPixels(display.frame, display.scale, path);
    if (const auto* v = f.find("refreshHz"))
        display.refreshHz = inRange(readNumber(*v, f.path("refreshHz")), f.path("refreshHz"), 1, 500);
    if (const auto* v = f.find("mm")) display.mm = readBoundedSize(*v, f.path("mm"), maxMillimetres);
    display.name = "Display " + std::to_string(display.id);
    if (const auto* v = f.find("name")) display.name = readString(*v, f.path("name"));
    if (const auto* v = f.find("virtual")) display.isVirtual = readBool(*v, f.path("virtual"));
    return display;
}

ScenarioWindow readWindow(const json& value, const std::string& path)
{
    const Fields f(value, path, windowKeys);
    ScenarioWindow window;
    window.id = readWindowID(f.require("id"), f.path("id"));
    window.frame = readBoundedFrame(f.require("frame"), f.path("frame"), true);
    if (const auto* v = f.find("title")) window.title = readString(*v, f.path("title"));
    if (const auto* v = f.find("layer"))
        window.layer = static_cast<long>(readInteger(*v, f.path("layer"), INT32_MIN, INT32_MAX));
    if (const auto* v = f.find("content")) window.content = readContent(*v, f.path("content"));
    if (const auto* v = f.find("minimized")) window.minimized = readBool(*v, f.path("minimized"));
    if (const auto* v = f.find("offscreen")) window.offscreen = readBool(*v, f.path("offscreen"));
    return window;
}

sim::AppBehavior readBehavior(const json& value, const std::string& path)
{
    const Fields f(value, path, behaviorKeys);
    sim::AppBehavior behavior;
    if (const auto* v = f.find("refuseMoves")) {
        const auto code = readInteger(*v, f.path("refuseMoves"), INT32_MIN, INT32_MAX);
        if (code == 0) refuse(f.path("refuseMoves"), "expected an error code, not 0");
        behavior.refuseMoves = static_cast<desktop::ax::Error>(code);
    }
    if (const auto* v = f.find("minSize")) behavior.minSize = readBoundedSize(*v, f.path("minSize"), maxSide);
    if (const auto* v = f.find("reportMinSize"))
        behavior.reportMinSize = readBoundedSize(*v, f.path("reportMinSize"), maxSide);
    if (const auto* v = f.find("settleDelay")) behavior.settleDelay = readSeconds(*v, f.path("settleDelay"));
    if (const auto* v = f.find("hang")) behavior.hang = readSeconds(*v, f.path("hang"));
    if (const auto* v = f.find("shiftMoves")) behavior.shiftMoves = readBoundedPoint(*v, f.path("shiftMoves"));
    return behavior;
}

sim::SimVirtualDisplays::Options readVirtualDisplays(const json& value, const std::string& path)
{
    const Fields f(value, path, {"available", "modeDelay", "lingerCommits"});
    sim::SimVirtualDisplays::Options options;
    if (const auto* v = f.find("available")) options.available = readBool(*v, f.path("available"));
    if (const auto* v = f.find("modeDelay")) {
        const auto* delay = numberOrNull(*v, f.path("modeDelay"));
        options.modeDelay = delay ? std::optional(readSeconds(*delay, f.path("modeDelay"))) : std::nullopt;
    }
    if (const auto* v = f.find("lingerCommits")) {
        const auto* commits = numberOrNull(*v, f.path("lingerCommits"));
        options.lingerCommits =
            commits
                ? std::optional(static_cast<int>(readInteger(*commits, f.path("lingerCommits"), 0, maxLingerCommits)))
                : std::nullopt;
    }
    return options;
}

sim::SimWindowServer::Switches readWindowServer(const json& value, const std::string& path)
{
    const Fields f(value, path, {"omitVirtualFromOnScreen", "unreadableList"});
    sim::SimWindowServer::Switches switches;
    if (const auto* v = f.find("omitVirtualFromOnScreen"))
        switches.omitVirtualFromOnScreen = readBool(*v, f.path("omitVirtualFromOnScreen"));
    if (const auto* v = f.find("unreadableList")) switches.unreadableList = readBool(*v, f.path("unreadableList"));
    return switches;
}

ScenarioApp readApp(const json& value, const std::string& path)
{
    const Fields f(value, path, appKeys);
    ScenarioApp app;
    app.pid = readPid(f.require("pid"), f.path("pid"));
    if (const auto* v = f.find("bundleID")) app.bundleID = readString(*v, f.path("bundleID"));
    if (const auto* v = f.find("name")) app.name = readString(*v, f.path("name"));
    // Activation opens an application by its path, so each has its own.
    app.path = "/Applications/" + app.name + ".app";
    if (const auto* v = f.find("path")) app.path = readString(*v, f.path("path"));
    if (const auto* v = f.find("hidden")) app.hidden = readBool(*v, f.path("hidden"));
    if (const auto* v = f.find("windows")) {
        const auto& list = readList(*v, f.path("windows"));
        for (std::size_t i = 0; i < list.size(); ++i)
            app.windows.push_back(readWindow(list[i], itemPath(f.path("windows"), i)));
    }
    if (const auto* v = f.find("behavior")) app.behavior = readBehavior(*v, f.path("behavior"));
    return app;
}

std::map<std::string, std::string> readEnvironment(const json& value, const std::string& path)
{
    if (!value.is_object()) refuse(path, "expected an object");
    std::map<std::string, std::string> environment;
    for (const auto& [name, text] : value.items()) {
        const std::string keyPath = childPath(path, name);
        if (name.empty() || name.find('=') != std::string::npos || name.find('\0') != std::string::npos)
            refuse(keyPath, "not a variable name");
        std::string variable = readString(text, keyPath);
        // The environment ends a value at its first NUL.
        if (variable.find('\0') != std::string::npos) refuse(keyPath, "holds a NUL byte");
        environment.emplace(name, std::move(variable));
    }
    return environment;
}

LoginItemWorld readLoginItem(const json& value, const std::string& path)
{
    const Fields f(value, path, {"registered", "requiresApproval", "notFound"});
    LoginItemWorld item;
    if (const auto* v = f.find("registered")) item.registered = readBool(*v, f.path("registered"));
    if (const auto* v = f.find("requiresApproval")) item.requiresApproval = readBool(*v, f.path("requiresApproval"));
    if (const auto* v = f.find("notFound")) item.notFound = readBool(*v, f.path("notFound"));
    return item;
}

core::SystemInfo readSystem(const json& value, const std::string& path, core::SystemInfo system)
{
    const Fields f(value, path, {"osVersion", "osName", "architecture", "machineIdentifier"});
    if (const auto* v = f.find("osVersion")) {
        if (v->is_null()) {
            system.osVersion.reset();
        } else {
            system.osVersion = core::parseOsVersion(readString(*v, f.path("osVersion")));
            if (!system.osVersion)
                refuse(f.path("osVersion"), "expected one to three decimal numbers joined by dots, e.g. \"24.04\"");
        }
    }
    if (const auto* v = f.find("osName")) system.osName = readString(*v, f.path("osName"));
    if (const auto* v = f.find("architecture")) system.architecture = readString(*v, f.path("architecture"));
    if (const auto* v = f.find("machineIdentifier")) {
        if (v->is_null())
            system.machineIdentifier.reset();
        else
            system.machineIdentifier = readString(*v, f.path("machineIdentifier"));
    }
    return system;
}

std::vector<sim::SimHotKeys::Combination> readReservedHotkeys(const json& value, const std::string& path)
{
    std::vector<sim::SimHotKeys::Combination> reserved;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Fields f(list[i], itemPath(path, i), {"code", "mask"});
        sim::SimHotKeys::Combination combination;
        combination.code = static_cast<int>(readInteger(f.require("code"), f.path("code"), 0, maxKeyCode));
        combination.mask = static_cast<std::uint32_t>(readInteger(f.require("mask"), f.path("mask"), 0, UINT32_MAX));
        reserved.push_back(combination);
    }
    return reserved;
}

}  // namespace scenario
