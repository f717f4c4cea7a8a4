#pragma once

#include "app/ForeignFrontWatch.h"
#include "platform/desktop/Types.h"
#include "scenario/Application.h"

#include <memory>

namespace app {

// Plays the menu-bar shell until it exists: the launch steps the mini windows rely on,
// the commands that open, close, tile and pause them, and the quit path. Main thread
// only.
class StandInShell : public scenario::Application {
public:
    StandInShell() = default;
    ~StandInShell() override;

    void launch(const std::vector<std::string>& args) override;
    std::optional<scenario::CommandFields> command(const std::string& name) const override;
    void runCommand(const scenario::CommandCall& call) override;
    void deliverSignal(const std::string& name) override;
    void quit() override;
    std::optional<int> exitStatus() const override;
    nlohmann::ordered_json panels() const override;

private:
    std::shared_ptr<std::optional<int>> exitStatus_ = std::make_shared<std::optional<int>>();
    std::unique_ptr<ForeignFrontWatch> frontWatch_;
    std::optional<desktop::Token> displayObserver_;
};

}  // namespace app
