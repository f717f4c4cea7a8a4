#pragma once

#include "app/Application.h"

namespace scenario {

// An application with no commands, no mini windows and nothing parked, for tests of the
// runner alone: it notes the signals and focus requests it is sent in its log, and quits
// at once.
class EmptyApplication : public app::Application {
public:
    void launch(const std::vector<std::string>& args) override;
    std::optional<app::CommandFields> command(const std::string& name) const override;
    void runCommand(const app::CommandCall& call) override;
    void deliverSignal(const std::string& name) override;
    void quit() override;
    std::optional<int> exitStatus() const override;
    void focusWindow(desktop::WindowID window) override;
    nlohmann::ordered_json panels() const override;
    app::ParkingLedger parking() const override;
    nlohmann::ordered_json guide() const override;

private:
    std::optional<int> exitStatus_;
};

}  // namespace scenario
