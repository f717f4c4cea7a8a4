#include "scenario/ScenarioParser.h"

#include "scenario/BoundedJson.h"
#include "scenario/ConfinedFolder.h"
#include "scenario/LaunchInputs.h"
#include "scenario/OutputFolder.h"
#include "scenario/ScenarioChecks.h"
#include "scenario/ServerRoutes.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <ctime>

namespace scenario {
namespace {

using nlohmann::json;

// Bounds that keep a file from asking for absurd amounts of memory or time.
constexpr double maxSeconds = 86400;
constexpr double maxSide = 16384;  // points, of a display or a window
constexpr double maxCoordinate = 1000000;  // points from the primary display's origin, either way
constexpr double maxMillimetres = 10000;
constexpr std::size_t maxNesting = 64;
constexpr double minRegionSide = 0.04;  // of a command's region, as a fraction of its window
constexpr long long maxLingerCommits = 1000;
constexpr long long maxKeyCode = 127;  // the platform's virtual key codes

const std::vector<std::string_view> displayKeys{"id",        "frame", "visibleFrame", "scale",
                                                "refreshHz", "mm",    "name",         "virtual"};
const std::vector<std::string_view> windowKeys{"id", "title", "frame", "layer", "content", "minimized", "offscreen"};
const std::vector<std::string_view> appKeys{"pid", "bundleID", "name", "path", "hidden", "windows", "behavior"};
const std::vector<std::string_view> behaviorKeys{"refuseMoves", "minSize", "reportMinSize",
                                                 "settleDelay", "hang",    "shiftMoves"};
const std::vector<std::string_view> topKeys{"args",         "clock",       "languages", "settings",
                                            "permissions",  "inputFaults", "displays",  "virtualDisplays",
                                            "windowServer", "apps",        "front",     "frontmost",
                                            "until",        "steps",       "environment", "loginItem",
                                            "reservedHotkeys", "server", "system",
                                            "identity",     "files",       "alertAnswers"};

struct StepType {
    std::string_view name;
    StepKind kind;
    std::vector<std::string_view> keys;  // besides "at" and "do"
};

const std::vector<StepType>& stepTypes()
{
    static const std::vector<StepType> types{
        {"pointer", StepKind::pointer, {"to"}},
        {"mouseDown", StepKind::mouseDown, {"button", "point"}},
        {"mouseUp", StepKind::mouseUp, {"button", "point"}},
        {"click", StepKind::click, {"point", "button", "count"}},
        {"drag", StepKind::drag, {"from", "to", "duration", "steps"}},
        {"keyDown", StepKind::keyDown, {"code", "modifiers"}},
        {"keyUp", StepKind::keyUp, {"code", "modifiers"}},
        {"key", StepKind::key, {"code", "modifiers"}},
        {"window.move", StepKind::windowMove, {"id", "frame"}},
        {"window.close", StepKind::windowClose, {"id", "title"}},
        {"window.minimize", StepKind::windowMinimize, {"id"}},
        {"window.restore", StepKind::windowRestore, {"id"}},
        {"window.raise", StepKind::windowRaise, {"id"}},
        {"window.create", StepKind::windowCreate, {"pid", "window"}},
        {"window.content", StepKind::windowContent, {"id", "content"}},
        {"app.activate", StepKind::appActivate, {"pid"}},
        {"app.hide", StepKind::appHide, {"pid"}},
        {"app.unhide", StepKind::appUnhide, {"pid"}},
        {"app.quit", StepKind::appQuit, {"pid"}},
        {"app.launch", StepKind::appLaunch, {"app"}},
        {"app.behavior", StepKind::appBehavior, {"pid", "behavior"}},
        {"display.add", StepKind::displayAdd, {"display"}},
        {"display.remove", StepKind::displayRemove, {"id"}},
        {"display.move", StepKind::displayMove, {"id", "frame"}},
        {"virtualDisplay.terminate", StepKind::virtualDisplayTerminate, {"id"}},
        {"permission", StepKind::permission, {"screenRecording", "accessibility"}},
        {"capture.fault", StepKind::captureFault, {"window", "kind", "code", "count"}},
        {"command", StepKind::command, {"name", "window", "region"}},
        {"focus", StepKind::focus, {"window"}},
        {"statusItem.click", StepKind::statusItemClick, {}},
        {"menu.choose", StepKind::menuChoose, {"title"}},
        {"signal", StepKind::signal, {"name"}},
        {"screenshot", StepKind::screenshot, {"file", "display"}},
        {"state", StepKind::state, {"file"}},
        {"control", StepKind::control, {"id", "value"}},
        {"controls", StepKind::controls, {"file"}},
        {"quit", StepKind::quit, {}},
    };
    return types;
}

desktop::Pid readPid(const json& value, const std::string& path)
{
    return static_cast<desktop::Pid>(readInteger(value, path, 1, INT32_MAX));
}

desktop::WindowID readWindowID(const json& value, const std::string& path)
{
    return static_cast<desktop::WindowID>(readInteger(value, path, 1, UINT32_MAX));
}

desktop::DisplayID readDisplayID(const json& value, const std::string& path)
{
    return static_cast<desktop::DisplayID>(readInteger(value, path, 1, UINT32_MAX));
}

double readSeconds(const json& value, const std::string& path)
{
    return inRange(readNumber(value, path), path, 0, maxSeconds);
}

std::string integerText(double bound)
{
    return std::to_string(static_cast<long long>(bound));
}

core::Point bounded(core::Point point, const std::string& path)
{
    if (!(std::abs(point.x) <= maxCoordinate && std::abs(point.y) <= maxCoordinate))
        refuse(path, "x and y must be between -" + integerText(maxCoordinate) + " and " + integerText(maxCoordinate));
    return point;
}

core::Point readBoundedPoint(const json& value, const std::string& path)
{
    return bounded(readPoint(value, path), path);
}

core::Size readBoundedSize(const json& value, const std::string& path, double max)
{
    const core::Size size = readSize(value, path);
    if (!(size.width >= 0 && size.height >= 0 && size.width <= max && size.height <= max))
        refuse(path, "width and height must be between 0 and " + integerText(max));
    return size;
}

core::Rect readBoundedFrame(const json& value, const std::string& path, bool allowEmpty)
{
    const core::Rect frame = readFrame(value, path);
    bounded(frame.origin, path);
    const bool fits = allowEmpty ? frame.width() >= 0 && frame.height() >= 0 : frame.width() > 0 && frame.height() > 0;
    if (!fits || frame.width() > maxSide || frame.height() > maxSide)
        refuse(path, std::string(allowEmpty ? "width and height must be between 0 and "
                                            : "width and height must be above 0 and at most ") +
                         integerText(maxSide));
    return frame;
}

sim::Content readContent(const json& value, const std::string& path)
{
    return readChoice<sim::Content>(value, path, {{"animated", sim::Content::animated}, {"static", sim::Content::still}});
}

// A file inside the output folder: relative, without "." or ".." parts, and none of the
// files and folders the run itself writes.
std::string readOutputFile(const json& value, const std::string& path)
{
    const std::string file = readString(value, path);
    if (!isPlainRelativePath(file)) refuse(path, "expected a relative path inside the output folder");
    const std::string top = file.substr(0, file.find('/'));
    for (const auto& own : OutputFolder::ownNames())
        if (top == own) refuse(path, "\"" + top + "\" is written by the run itself");
    return file;
}

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

ScenarioDisplay readDisplay(const json& value, const std::string& path)
{
    const Fields f(value, path, displayKeys);
    ScenarioDisplay display;
    display.id = readDisplayID(f.require("id"), f.path("id"));
    display.frame = readBoundedFrame(f.require("frame"), f.path("frame"), false);
    display.visibleFrame = display.frame;
    if (const auto* v = f.find("visibleFrame")) display.visibleFrame = readBoundedFrame(*v, f.path("visibleFrame"), true);
    if (const auto* v = f.find("scale")) display.scale = inRange(readNumber(*v, f.path("scale")), f.path("scale"), 0.5, 4);
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
    if (const auto* v = f.find("layer")) window.layer = static_cast<long>(readInteger(*v, f.path("layer"), INT32_MIN, INT32_MAX));
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

// A number, or null for "none"; any other type is refused naming both.
const json* numberOrNull(const json& value, const std::string& path)
{
    if (value.is_null()) return nullptr;
    if (!value.is_number()) refuse(path, "expected a number or null");
    return &value;
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
            commits ? std::optional(static_cast<int>(readInteger(*commits, f.path("lingerCommits"), 0, maxLingerCommits)))
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
    if (const auto* v = f.find("path")) app.path = readString(*v, f.path("path"));
    if (const auto* v = f.find("hidden")) app.hidden = readBool(*v, f.path("hidden"));
    if (const auto* v = f.find("windows")) {
        const auto& list = readList(*v, f.path("windows"));
        for (std::size_t i = 0; i < list.size(); ++i) app.windows.push_back(readWindow(list[i], itemPath(f.path("windows"), i)));
    }
    if (const auto* v = f.find("behavior")) app.behavior = readBehavior(*v, f.path("behavior"));
    return app;
}

std::vector<std::string> readModifiers(const json& value, const std::string& path)
{
    std::vector<std::string> modifiers;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i)
        modifiers.push_back(readChoice<std::string>(
            list[i], itemPath(path, i), {{"cmd", "cmd"}, {"alt", "alt"}, {"ctrl", "ctrl"}, {"shift", "shift"}, {"fn", "fn"}}));
    return modifiers;
}

sim::MouseButton readButton(const Fields& f)
{
    const auto* v = f.find("button");
    return v ? readChoice<sim::MouseButton>(*v, f.path("button"),
                                            {{"left", sim::MouseButton::left}, {"right", sim::MouseButton::right}})
             : sim::MouseButton::left;
}

// Fractions of a window: four finite numbers, inside the window, each side at least 0.04.
core::Rect readRegion(const json& value, const std::string& path)
{
    const core::Rect region = readFrame(value, path);
    const double x = region.x(), y = region.y(), w = region.width(), h = region.height();
    if (!(x >= 0 && y >= 0 && w >= minRegionSide && h >= minRegionSide && x + w <= 1 && y + h <= 1))
        refuse(path, "expected [x, y, w, h] inside the window: x, y >= 0, w, h >= 0.04, x + w <= 1, y + h <= 1");
    return region;
}

// A window's name, a dot and the control's name within it.
std::string readControlId(const json& value, const std::string& path)
{
    const std::string id = readString(value, path);
    const auto dot = id.find('.');
    if (dot == 0 || dot == std::string::npos || dot + 1 == id.size())
        refuse(path, "expected a window name, a dot and a control, e.g. \"settings.opacitySlider\"");
    return id;
}

ControlValue readControlValue(const json& value, const std::string& path)
{
    if (value.is_boolean()) return value.get<bool>();
    if (!value.is_number_integer()) refuse(path, "expected true, false or an integer");
    return static_cast<int>(readInteger(value, path, INT32_MIN, INT32_MAX));
}

std::map<std::string, std::string> readEnvironment(const json& value, const std::string& path)
{
    if (!value.is_object()) refuse(path, "expected an object");
    std::map<std::string, std::string> environment;
    for (const auto& [name, text] : value.items()) {
        const std::string keyPath = childPath(path, name);
        if (name.empty() || name.find('=') != std::string::npos || name.find('\0') != std::string::npos)
            refuse(keyPath, "not a variable name");
        environment.emplace(name, readString(text, keyPath));
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
        if (v->is_null()) system.machineIdentifier.reset();
        else system.machineIdentifier = readString(*v, f.path("machineIdentifier"));
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

// Checked against the fields the application's command takes.
CommandCall readCommand(const Fields& f, const CommandCheck& hasCommand)
{
    CommandCall call;
    call.name = readString(f.require("name"), f.path("name"));
    const auto fields = hasCommand ? hasCommand(call.name) : std::nullopt;
    if (!fields) refuse(f.path("name"), "no such command \"" + call.name + "\"");
    const auto field = [&](std::string_view key, FieldUse use) -> const json* {
        const json* value = f.find(key);
        if (value && use == FieldUse::refused)
            refuse(f.path(key), "not taken by the command \"" + call.name + "\"");
        if (!value && use == FieldUse::required)
            refuse(f.path(key), "required by the command \"" + call.name + "\"");
        return value;
    };
    if (const auto* v = field("window", fields->window)) call.window = readWindowID(*v, f.path("window"));
    if (const auto* v = field("region", fields->region)) call.region = readRegion(*v, f.path("region"));
    return call;
}

std::string readTitle(const Fields& f)
{
    std::string title = readString(f.require("title"), f.path("title"));
    if (title.empty()) refuse(f.path("title"), "must not be empty");
    return title;
}

// Another application's window by its id, or an own window by its shown title.
void readWindowToClose(const Fields& f, Step& step)
{
    const bool byId = f.find("id") != nullptr;
    if (byId == (f.find("title") != nullptr)) refuse(f.path(), "window.close takes either id or title");
    if (byId) step.window = readWindowID(*f.find("id"), f.path("id"));
    else step.title = readTitle(f);
}

void readStepFields(const Fields& f, Step& step, const CommandCheck& hasCommand)
{
    switch (step.kind) {
        case StepKind::pointer:
            step.to = readBoundedPoint(f.require("to"), f.path("to"));
            break;
        case StepKind::mouseDown:
        case StepKind::mouseUp:
            step.button = readButton(f);
            if (const auto* v = f.find("point")) step.point = readBoundedPoint(*v, f.path("point"));
            break;
        case StepKind::click:
            step.point = readBoundedPoint(f.require("point"), f.path("point"));
            step.button = readButton(f);
            if (const auto* v = f.find("count")) step.count = static_cast<int>(readInteger(*v, f.path("count"), 1, 100));
            break;
        case StepKind::drag:
            step.from = readBoundedPoint(f.require("from"), f.path("from"));
            step.to = readBoundedPoint(f.require("to"), f.path("to"));
            if (const auto* v = f.find("duration")) step.duration = readSeconds(*v, f.path("duration"));
            if (const auto* v = f.find("steps")) step.moves = static_cast<int>(readInteger(*v, f.path("steps"), 1, 1000));
            break;
        case StepKind::keyDown:
        case StepKind::keyUp:
        case StepKind::key:
            step.code = static_cast<int>(readInteger(f.require("code"), f.path("code"), 0, maxKeyCode));
            if (const auto* v = f.find("modifiers")) step.modifiers = readModifiers(*v, f.path("modifiers"));
            break;
        case StepKind::windowMove:
            step.window = readWindowID(f.require("id"), f.path("id"));
            step.frame = readBoundedFrame(f.require("frame"), f.path("frame"), true);
            break;
        case StepKind::windowClose:
            readWindowToClose(f, step);
            break;
        case StepKind::windowMinimize:
        case StepKind::windowRestore:
        case StepKind::windowRaise:
            step.window = readWindowID(f.require("id"), f.path("id"));
            break;
        case StepKind::windowCreate:
            step.pid = readPid(f.require("pid"), f.path("pid"));
            step.newWindow = readWindow(f.require("window"), f.path("window"));
            break;
        case StepKind::windowContent:
            step.window = readWindowID(f.require("id"), f.path("id"));
            step.content = readContent(f.require("content"), f.path("content"));
            break;
        case StepKind::appActivate:
        case StepKind::appHide:
        case StepKind::appUnhide:
        case StepKind::appQuit:
            step.pid = readPid(f.require("pid"), f.path("pid"));
            break;
        case StepKind::appLaunch:
            step.newApp = readApp(f.require("app"), f.path("app"));
            break;
        case StepKind::appBehavior:
            step.pid = readPid(f.require("pid"), f.path("pid"));
            step.behavior = readBehavior(f.require("behavior"), f.path("behavior"));
            break;
        case StepKind::displayAdd:
            step.newDisplay = readDisplay(f.require("display"), f.path("display"));
            break;
        case StepKind::displayRemove:
            step.display = readDisplayID(f.require("id"), f.path("id"));
            break;
        case StepKind::displayMove:
            step.display = readDisplayID(f.require("id"), f.path("id"));
            step.frame = readBoundedFrame(f.require("frame"), f.path("frame"), false);
            break;
        case StepKind::virtualDisplayTerminate:
            if (const auto* v = f.find("id")) step.virtualDisplay = readDisplayID(*v, f.path("id"));
            break;
        case StepKind::permission:
            if (const auto* v = f.find("screenRecording")) step.screenRecording = readBool(*v, f.path("screenRecording"));
            if (const auto* v = f.find("accessibility")) step.accessibility = readBool(*v, f.path("accessibility"));
            if (!step.screenRecording && !step.accessibility) refuse(f.path(), "expected screenRecording or accessibility");
            break;
        case StepKind::captureFault:
            step.window = readWindowID(f.require("window"), f.path("window"));
            step.fault = readChoice<sim::CaptureFault>(f.require("kind"), f.path("kind"),
                                                       {{"silence", sim::CaptureFault::silence},
                                                        {"incomplete", sim::CaptureFault::incomplete},
                                                        {"stop", sim::CaptureFault::stop}});
            if (const auto* v = f.find("code"))
                step.errorCode = static_cast<long>(readInteger(*v, f.path("code"), INT32_MIN, INT32_MAX));
            if (const auto* v = f.find("count")) step.count = static_cast<int>(readInteger(*v, f.path("count"), 1, 1000000));
            break;
        case StepKind::command:
            step.call = readCommand(f, hasCommand);
            break;
        case StepKind::focus:
            step.window = readWindowID(f.require("window"), f.path("window"));
            break;
        case StepKind::statusItemClick:
            break;
        case StepKind::menuChoose:
            step.title = readTitle(f);
            break;
        case StepKind::signal:
            step.name = readChoice<std::string>(f.require("name"), f.path("name"),
                                                {{"SIGUSR1", "SIGUSR1"}, {"SIGUSR2", "SIGUSR2"}});
            break;
        case StepKind::screenshot:
            step.file = readOutputFile(f.require("file"), f.path("file"));
            if (const auto* v = f.find("display")) step.screenshotDisplay = readDisplayID(*v, f.path("display"));
            break;
        case StepKind::state:
        case StepKind::controls:
            step.file = readOutputFile(f.require("file"), f.path("file"));
            break;
        case StepKind::control:
            step.control = readControlId(f.require("id"), f.path("id"));
            if (const auto* v = f.find("value")) step.value = readControlValue(*v, f.path("value"));
            break;
        case StepKind::quit:
            break;
    }
}

Step readStep(const json& value, const std::string& path, const CommandCheck& hasCommand)
{
    if (!value.is_object()) refuse(path, "expected an object");
    const auto found = value.find("do");
    if (found == value.end()) refuse(childPath(path, "do"), "required");
    const std::string name = readString(*found, childPath(path, "do"));
    const auto& types = stepTypes();
    const auto type = std::find_if(types.begin(), types.end(), [&](const StepType& t) { return t.name == name; });
    if (type == types.end()) refuse(childPath(path, "do"), "unknown step \"" + name + "\"");

    std::vector<std::string_view> keys{"at", "do"};
    keys.insert(keys.end(), type->keys.begin(), type->keys.end());
    const Fields f(value, path, keys);
    Step step;
    step.kind = type->kind;
    step.at = readSeconds(f.require("at"), f.path("at"));
    readStepFields(f, step, hasCommand);
    return step;
}

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
    if (const auto* v = f.find("settings")) {
        if (!v->is_object()) refuse(f.path("settings"), "expected an object");
        scenario.settings = *v;
    }
    if (const auto* v = f.find("permissions")) {
        const Fields p(*v, f.path("permissions"), {"screenRecording", "accessibility"});
        if (const auto* g = p.find("screenRecording")) scenario.screenRecording = readBool(*g, p.path("screenRecording"));
        if (const auto* g = p.find("accessibility")) scenario.accessibility = readBool(*g, p.path("accessibility"));
    }
    if (const auto* v = f.find("virtualDisplays")) scenario.virtualDisplays = readVirtualDisplays(*v, f.path("virtualDisplays"));
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
        for (std::size_t i = 0; i < list.size(); ++i) scenario.apps.push_back(readApp(list[i], itemPath(f.path("apps"), i)));
    }
    if (const auto* v = f.find("front")) {
        const auto& list = readList(*v, f.path("front"));
        for (std::size_t i = 0; i < list.size(); ++i)
            scenario.front.push_back(readWindowID(list[i], itemPath(f.path("front"), i)));
    }
    if (const auto* v = f.find("frontmost")) scenario.frontmost = readPid(*v, f.path("frontmost"));
    else if (!scenario.apps.empty() && !scenario.apps.front().hidden) scenario.frontmost = scenario.apps.front().pid;
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
