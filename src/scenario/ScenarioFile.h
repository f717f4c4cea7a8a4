#pragma once

#include "platform/core/Geometry.h"
#include "platform/core/SystemInfo.h"
#include "app/CommandCall.h"
#include "scenario/PlacedFile.h"
#include "platform/desktop/Types.h"
#include "platform/sim/CaptureFaults.h"
#include "platform/sim/ScriptedServer.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInput.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorld.h"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// A scenario file, read and checked: the world at launch and the steps that drive it.
namespace scenario {

struct ScenarioDisplay {
    desktop::DisplayID id = 0;
    bool isVirtual = false;  // one of parking's live virtual displays
    core::Rect frame;
    core::Rect visibleFrame;
    double scale = 2;
    double refreshHz = 60;
    core::Size mm{344, 222};
    std::string name;
};

struct ScenarioWindow {
    desktop::WindowID id = 0;
    std::string title = "Notes";
    core::Rect frame;
    long layer = 0;
    sim::Content content = sim::Content::animated;
    bool minimized = false;
    bool offscreen = false;
};

struct ScenarioApp {
    desktop::Pid pid = 0;
    std::string bundleID = "com.example.editor";
    std::string name = "Editor";
    std::string path = "/Applications/Editor.app";  // read as "/Applications/<name>.app" when absent
    bool hidden = false;
    std::vector<ScenarioWindow> windows;
    sim::AppBehavior behavior;
};

enum class StepKind {
    pointer,
    mouseDown,
    mouseUp,
    click,
    drag,
    keyDown,
    keyUp,
    key,
    windowMove,
    windowClose,
    windowMinimize,
    windowRestore,
    windowRaise,
    windowCreate,
    windowContent,
    appActivate,
    appHide,
    appUnhide,
    appQuit,
    appLaunch,
    appBehavior,
    displayAdd,
    displayRemove,
    displayMove,
    virtualDisplayTerminate,
    permission,
    captureFault,
    command,
    focus,
    statusItemClick,
    menuChoose,
    signal,
    screenshot,
    state,
    control,
    controls,
    quit,
};

// What a control step sets: a switch's state, a slider's value or a pop-up's item.
using ControlValue = std::variant<bool, int>;

// One step; only the fields of its kind are meaningful.
struct Step {
    double at = 0;
    StepKind kind = StepKind::quit;

    // pointer and mouse
    core::Point to;
    core::Point from;
    std::optional<core::Point> point;  // where a press happens; the pointer when none
    sim::MouseButton button = sim::MouseButton::left;
    int count = 1;  // click count, or the number of faulty frames
    double duration = 0.5;
    int moves = 10;  // a drag's intermediate pointer moves

    // keys
    int code = 0;
    std::vector<std::string> modifiers;  // cmd, alt, ctrl, shift, fn

    // the desktop
    desktop::WindowID window = 0;  // none (0) when window.close names an own window's title
    desktop::Pid pid = 0;
    desktop::DisplayID display = 0;
    core::Rect frame;
    sim::Content content = sim::Content::animated;
    ScenarioWindow newWindow;
    ScenarioApp newApp;
    sim::AppBehavior behavior;  // app.behavior
    ScenarioDisplay newDisplay;
    std::optional<bool> screenRecording;
    std::optional<bool> accessibility;
    sim::CaptureFault fault = sim::CaptureFault::silence;
    std::optional<long> errorCode;                     // none: the error of an interrupted connection
    std::optional<desktop::DisplayID> virtualDisplay;  // virtualDisplay.terminate; none: the first

    // the application and the output
    std::string name;   // signal
    std::string title;  // menu.choose; window.close of an own window
    app::CommandCall call;
    std::string file;  // relative to the output folder
    std::optional<desktop::DisplayID> screenshotDisplay;
    std::string control;  // "window.control"
    std::optional<ControlValue> value;

    // When the step is over: a drag lasts its duration.
    double end() const { return kind == StepKind::drag ? at + duration : at; }
};

// How the system's login item stands at launch.
struct LoginItemWorld {
    bool registered = false;
    bool requiresApproval = false;
    bool notFound = false;
};

// The running copy as a run presents it; an absent value keeps the process's own.
struct IdentityWorld {
    std::optional<std::string> version;
    std::optional<std::string> build;
    std::optional<std::string> bundlePath;  // relative to the output folder
};

struct Scenario {
    std::vector<std::string> args;
    double clock = 1767603600.0;  // wall-clock seconds at virtual 0, local time read as UTC
    std::vector<std::string> languages{"zh-Hans-CN"};
    nlohmann::json settings = nlohmann::json::object();
    bool screenRecording = true;
    bool accessibility = true;
    sim::SimVirtualDisplays::Options virtualDisplays;
    sim::SimWindowServer::Switches windowServer;
    bool ignoreWarps = false;  // pointer warps answer success and move nothing
    // The only environment variables the application sees.
    std::map<std::string, std::string> environment;
    LoginItemWorld loginItem;
    // A fixed system unless the file says otherwise, so that runs do not depend on the machine.
    core::SystemInfo system{core::OsVersion{24, 4, 0}, "Ubuntu", "x86_64", std::nullopt};
    std::vector<sim::SimHotKeys::Combination> reservedHotkeys;  // held by other applications
    std::vector<sim::ScriptedRoute> server;                     // the network's answers
    IdentityWorld identity;
    std::vector<PlacedFile> files;  // written into the output folder before launch
    // The buttons (indexes) the application's alerts are answered with, in order; then
    // the first.
    std::vector<int> alertAnswers;
    std::vector<ScenarioDisplay> displays;
    std::vector<ScenarioApp> apps;
    std::vector<desktop::WindowID> front;
    std::optional<desktop::Pid> frontmost;
    double until = 1;
    std::vector<Step> steps;
};

}  // namespace scenario
