#pragma once

#include "scenario/Application.h"

namespace scenario {

// The application before its shell exists: it has no commands and no mini windows, keeps
// the signals it was sent, and quits at once.
class EmptyApplication : public Application {
public:
    void launch(const std::vector<std::string>& args) override;
    bool hasCommand(const std::string& name) const override;
    void runCommand(const std::string& name) override;
    void deliverSignal(const std::string& name) override;
    void quit() override;
    std::optional<int> exitStatus() const override;
    nlohmann::json panels() const override;

    const std::vector<std::string>& launchArguments() const { return args_; }
    const std::vector<std::string>& signalsReceived() const { return signals_; }

private:
    std::vector<std::string> args_;
    std::vector<std::string> signals_;
    std::optional<int> exitStatus_;
};

}  // namespace scenario
