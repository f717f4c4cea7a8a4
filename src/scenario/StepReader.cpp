#include "scenario/StepReader.h"

#include "scenario/ConfinedFolder.h"
#include "scenario/JsonFields.h"
#include "scenario/OutputFolder.h"
#include "scenario/ScenarioValues.h"
#include "scenario/WorldReader.h"

#include <algorithm>
#include <climits>

namespace scenario {
namespace {

using nlohmann::json;

constexpr double minRegionSide = 0.04;  // of a command's region, as a fraction of its window

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

// A file inside the output folder: relative, without "." or ".." parts, and none of the
// files and folders the run itself writes.
std::string readOutputFile(const json& value, const std::string& path)
{
    const std::string file = readString(value, path);
    if (auto problem = relativePathProblem(file)) refuse(path, *problem);
    const std::string top = file.substr(0, file.find('/'));
    for (const auto& own : OutputFolder::ownNames())
        if (top == own) refuse(path, "\"" + top + "\" is written by the run itself");
    return file;
}

std::vector<std::string> readModifiers(const json& value, const std::string& path)
{
    std::vector<std::string> modifiers;
    const auto& list = readList(value, path);
    for (std::size_t i = 0; i < list.size(); ++i)
        modifiers.push_back(readChoice<std::string>(
            list[i], itemPath(path, i),
            {{"cmd", "cmd"}, {"alt", "alt"}, {"ctrl", "ctrl"}, {"shift", "shift"}, {"fn", "fn"}}));
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

// Checked against the fields the application's command takes.
app::CommandCall readCommand(const Fields& f, const CommandCheck& hasCommand)
{
    app::CommandCall call;
    call.name = readString(f.require("name"), f.path("name"));
    const auto fields = hasCommand ? hasCommand(call.name) : std::nullopt;
    if (!fields) refuse(f.path("name"), "no such command \"" + call.name + "\"");
    const auto field = [&](std::string_view key, app::FieldUse use) -> const json* {
        const json* value = f.find(key);
        if (value && use == app::FieldUse::refused)
            refuse(f.path(key), "not taken by the command \"" + call.name + "\"");
        if (!value && use == app::FieldUse::required)
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
    if (byId)
        step.window = readWindowID(*f.find("id"), f.path("id"));
    else
        step.title = readTitle(f);
}

void readStepFields(const Fields& f, Step& step, const CommandCheck& hasCommand)
{
    switch (step.kind) {
    case StepKind::pointer: step.to = readBoundedPoint(f.require("to"), f.path("to")); break;
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
    case StepKind::windowClose: readWindowToClose(f, step); break;
    case StepKind::windowMinimize:
    case StepKind::windowRestore:
    case StepKind::windowRaise: step.window = readWindowID(f.require("id"), f.path("id")); break;
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
    case StepKind::appQuit: step.pid = readPid(f.require("pid"), f.path("pid")); break;
    case StepKind::appLaunch: step.newApp = readApp(f.require("app"), f.path("app")); break;
    case StepKind::appBehavior:
        step.pid = readPid(f.require("pid"), f.path("pid"));
        step.behavior = readBehavior(f.require("behavior"), f.path("behavior"));
        break;
    case StepKind::displayAdd: step.newDisplay = readDisplay(f.require("display"), f.path("display")); break;
    case StepKind::displayRemove: step.display = readDisplayID(f.require("id"), f.path("id")); break;
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
        if (const auto* v = f.find("count"))
            step.count = static_cast<int>(readInteger(*v, f.path("count"), 1, 1000000));
        break;
    case StepKind::command: step.call = readCommand(f, hasCommand); break;
    case StepKind::focus: step.window = readWindowID(f.require("window"), f.path("window")); break;
    case StepKind::statusItemClick: break;
    case StepKind::menuChoose: step.title = readTitle(f); break;
    case StepKind::signal:
        step.name =
            readChoice<std::string>(f.require("name"), f.path("name"), {{"SIGUSR1", "SIGUSR1"}, {"SIGUSR2", "SIGUSR2"}});
        break;
    case StepKind::screenshot:
        step.file = readOutputFile(f.require("file"), f.path("file"));
        if (const auto* v = f.find("display")) step.screenshotDisplay = readDisplayID(*v, f.path("display"));
        break;
    case StepKind::state:
    case StepKind::controls: step.file = readOutputFile(f.require("file"), f.path("file")); break;
    case StepKind::control:
        step.control = readControlId(f.require("id"), f.path("id"));
        if (const auto* v = f.find("value")) step.value = readControlValue(*v, f.path("value"));
        break;
    case StepKind::quit: break;
    }
}

}  // namespace

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

}  // namespace scenario
