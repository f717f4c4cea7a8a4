#include "scenario/EmptyApplication.h"

#include "foundation/Diag.h"

namespace scenario {

void EmptyApplication::launch(const std::vector<std::string>&) {}

std::optional<app::CommandFields> EmptyApplication::command(const std::string&) const { return std::nullopt; }

// Never called: the scenario reader refuses every command this application lacks.
void EmptyApplication::runCommand(const app::CommandCall&) {}

void EmptyApplication::deliverSignal(const std::string& name) { Diag::log("signal " + name + " received"); }

void EmptyApplication::quit() { exitStatus_ = 0; }

std::optional<int> EmptyApplication::exitStatus() const { return exitStatus_; }

void EmptyApplication::focusWindow(desktop::WindowID window)
{
    Diag::log("focus " + std::to_string(window) + " received");
}

nlohmann::ordered_json EmptyApplication::panels() const { return nlohmann::ordered_json::array(); }

app::ParkingLedger EmptyApplication::parking() const { return {}; }

nlohmann::ordered_json EmptyApplication::guide() const { return nullptr; }

}  // namespace scenario
