#pragma once

#include "app/Application.h"
#include "scenario/ScenarioFile.h"

#include <functional>
#include <optional>
#include <string>

namespace sim {
class SimCapture;
class SimHotKeys;
class SimInput;
class SimVirtualDisplays;
class SimWorld;
}  // namespace sim

namespace scenario {

class OutputFolder;

// Carries out steps on the simulated desktop, as the user, the other applications or
// the system would.
class StepRunner {
public:
    struct Services {
        sim::SimWorld& world;
        sim::SimInput& input;
        sim::SimHotKeys& hotKeys;
        sim::SimCapture& capture;
        sim::SimVirtualDisplays& virtualDisplays;
    };
    // Lets the application run until the virtual time; false when it exited on the way.
    using AdvanceTo = std::function<bool(double time)>;

    StepRunner(Services services, app::Application& app, const OutputFolder& output, AdvanceTo advanceTo);

    // Runs the step, which is due now (a drag goes on for its duration). The reason, led
    // by the step's key path, when it could not: a file it cannot write, nothing to click
    // or choose, a control that is not shown or cannot take the value.
    std::optional<std::string> run(const Step& step, const std::string& path);

private:
    void drag(const Step& step);
    std::optional<std::string> screenshot(const Step& step, const std::string& path);
    std::optional<std::string> clickStatusItem(const std::string& path);
    std::optional<std::string> chooseFromMenu(const Step& step, const std::string& path);

    Services desktop_;
    app::Application& app_;
    const OutputFolder& output_;
    AdvanceTo advanceTo_;
};

}  // namespace scenario
