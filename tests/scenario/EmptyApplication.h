#pragma once

#include "scenario/Application.h"

namespace scenario {

// An application with no commands, no mini windows and nothing parked, for tests of the
// runner alone: it notes the signals and focus requests it is sent in its log, and quits
// at once.
class EmptyApplication : public Application {
public:
    void launch(const std::vector<std::string>& args) override;
    std::optional<CommandFields> command(const std::string& name) const override;
    void runCommand(const CommandCall& call) override;
    void deliverSignal(const std::string& name) override;
    void quit() override;
    std::optional<int> exitStatus() const override;
    void focusWindow(desktop::WindowID window) override;
    nlohmann::ordered_json panels() const override;
    ParkingLedger parking() const override;
    nlohmann::ordered_json guide() const override;

private:
    std::optional<int> exitStatus_;
};

}  // namespace scenario
