#pragma once

#include "app/CommandCall.h"
#include "app/ParkingLedger.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace app {

// The application as its run loop drives it, on the X11 desktop and in a live run, and
// as the scenario runner drives and inspects it. It may be made before a scenario is
// checked, when neither the widget toolkit, the scheduler nor the desktop exists yet, so
// its constructor only stores; whoever runs it installs them before launch, and every
// call comes on that runner's thread.
class Application {
public:
    virtual ~Application() = default;

    // Starts the application with its launch arguments.
    virtual void launch(const std::vector<std::string>& args) = 0;
    // The fields the named command takes; none when there is no such command. Answered
    // before launch, when the scenario is checked.
    virtual std::optional<CommandFields> command(const std::string& name) const = 0;
    // A call the reader has checked against command().
    virtual void runCommand(const CommandCall& call) = 0;
    // "SIGUSR1" or "SIGUSR2".
    virtual void deliverSignal(const std::string& name) = 0;
    // Starts the quit path; it has finished when exitStatus() answers.
    virtual void quit() = 0;
    // The status the application exited with, by itself or at the end of its quit path;
    // none while it runs.
    virtual std::optional<int> exitStatus() const = 0;
    // The user brings the window forward through the application, as a click on its mini
    // window does; a window the application cannot find is one log line and nothing else.
    virtual void focusWindow(desktop::WindowID window) = 0;
    // The mini windows in creation order, as a state dump lists them.
    virtual nlohmann::ordered_json panels() const = 0;
    // Window parking's records, as a state dump lists them.
    virtual ParkingLedger parking() const = 0;
    // The first-run guide as a state dump lists it; null when there is none.
    virtual nlohmann::ordered_json guide() const = 0;
};

}  // namespace app
