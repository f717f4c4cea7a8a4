#pragma once

#include "app/Application.h"

#include <memory>

namespace ui {
class Menu;
class StatusItem;
}  // namespace ui

namespace testsupport {

// A small menu-bar application: at launch it shows a status item titled "G" whose menu
// holds "Tile All" (logs "chose Tile All"), a separator, a disabled "Off" (logs "chose
// Off"), a "More" submenu with "Inner" and a custom row described "Header", and it leaves
// "probe.txt" in the temporary folder. Its commands: "alert" shows an alert and logs the
// answer, "exit" exits with status 3; the launch argument "-exit-now" exits with 4 at once.
class StatusMenuApplication : public app::Application {
public:
    StatusMenuApplication();
    ~StatusMenuApplication() override;

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
    std::unique_ptr<ui::Menu> menu_;
    std::unique_ptr<ui::StatusItem> item_;
    std::optional<int> exitStatus_;
};

}  // namespace testsupport
