#include "scenario/StatusMenuApplication.h"

#include "foundation/Diag.h"
#include "platform/core/Paths.h"
#include "platform/ui/AlertPresenter.h"
#include "platform/ui/Menu.h"
#include "platform/ui/StatusItem.h"

#include <QLabel>

#include <algorithm>
#include <fstream>

namespace testsupport {

StatusMenuApplication::StatusMenuApplication() = default;
StatusMenuApplication::~StatusMenuApplication() = default;

void StatusMenuApplication::launch(const std::vector<std::string>& args)
{
    if (std::find(args.begin(), args.end(), "-exit-now") != args.end()) {
        exitStatus_ = 4;
        return;
    }
    std::ofstream(core::paths::temporaryFolder() + "/probe.txt") << "probe\n";

    menu_ = std::make_unique<ui::Menu>();
    menu_->addItem("Tile All", [] { Diag::log("chose Tile All"); });
    menu_->addSeparator();
    menu_->addItem("Off", [] { Diag::log("chose Off"); }).setEnabled(false);
    menu_->addSubmenu("More").addItem("Inner", [] { Diag::log("chose Inner"); });
    menu_->addCustomRow(new QLabel("Header"), "Header");
    item_ = std::make_unique<ui::StatusItem>();
    item_->setTitle("G");
    item_->setMenu(menu_.get());
}

std::optional<app::CommandFields> StatusMenuApplication::command(const std::string& name) const
{
    if (name == "alert" || name == "exit") return app::CommandFields{};
    return std::nullopt;
}

void StatusMenuApplication::runCommand(const app::CommandCall& call)
{
    if (call.name == "exit") {
        exitStatus_ = 3;
        return;
    }
    ui::Alert alert;
    alert.messageText = "需要屏幕录制权限";
    alert.informativeText = "Open the settings?";
    alert.buttonTitles = {"Open", "Later"};
    Diag::log("alert answered " + std::to_string(ui::AlertPresenter::shared().runModal(alert)));
}

void StatusMenuApplication::deliverSignal(const std::string&) {}

void StatusMenuApplication::quit() { exitStatus_ = 0; }

std::optional<int> StatusMenuApplication::exitStatus() const { return exitStatus_; }

void StatusMenuApplication::focusWindow(desktop::WindowID) {}

nlohmann::ordered_json StatusMenuApplication::panels() const { return nlohmann::ordered_json::array(); }

app::ParkingLedger StatusMenuApplication::parking() const { return {}; }

nlohmann::ordered_json StatusMenuApplication::guide() const { return nullptr; }

}  // namespace testsupport
