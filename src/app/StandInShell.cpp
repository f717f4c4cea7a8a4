#include "app/StandInShell.h"

#include "app/HoverPIPTrigger.h"
#include "app/LaunchSelfTests.h"
#include "app/PanelCommands.h"
#include "app/PanelStates.h"
#include "foundation/Diag.h"
#include "panels/LearnedMinSizes.h"
#include "panels/PipPanel.h"
#include "panels/RegionSelector.h"
#include "panels/TakeoverRestoreJob.h"
#include "parking/VirtualDisplayController.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <functional>
#include <map>

namespace app {
namespace {

using scenario::CommandFields;
using scenario::FieldUse;

const std::map<std::string, CommandFields>& commands()
{
    static const std::map<std::string, CommandFields> table{
        {"mirrorWindow", {.window = FieldUse::required, .region = FieldUse::optional}},
        {"closePanel", {.window = FieldUse::required, .region = FieldUse::refused}},
        {"tileAllAction", {}},
        {"togglePauseAll", {}},
        {"beginFocusCreate", {.window = FieldUse::optional, .region = FieldUse::refused}},
    };
    return table;
}

FocusRegion focusOf(const std::optional<core::Rect>& region)
{
    if (!region) return {};
    return {region->x(), region->y(), region->width(), region->height()};
}

// How often the quit looks again whether the taken-over windows are back.
constexpr double restoreWaitInterval = 0.05;

// Runs done once no taken-over window is still on its way back.
void afterPendingRestores(std::function<void()> done)
{
    if (!TakeoverRestoreJob::anyPending()) {
        done();
        return;
    }
    dispatch::main().asyncAfter(restoreWaitInterval, [done = std::move(done)] { afterPendingRestores(done); });
}

}  // namespace

StandInShell::~StandInShell()
{
    if (displayObserver_) {
        desktop::displays().removeConfigurationObserver(*displayObserver_);
        VirtualDisplayController::shared().forgetDisplays();
    }
    frontWatch_.reset();
    // A selection still running when the run ends creates nothing any more.
    RegionSelector::shared().onFinish = nullptr;
    HoverTriggerHooks::install(nullptr);
    // Panels left open when the run ends go with the application.
    while (!PipPanel::all().empty()) delete PipPanel::all().back();
}

void StandInShell::launch(const std::vector<std::string>& args)
{
    // In the order of the application's own launch: a self-test ends it early, before
    // anything else is logged or observed.
    PipPanel::syncMiniWindowFlag();
    if (runLaunchSelfTest(args)) {
        *exitStatus_ = 0;
        return;
    }

    VirtualDisplayController::shared().refreshDisplays();
    displayObserver_ = desktop::displays().addConfigurationObserver([] {
        // The panels ask which screens are virtual while they rearrange.
        VirtualDisplayController::shared().refreshDisplays();
        PipPanel::handleScreenReconfiguration();
    });
    frontWatch_ = std::make_unique<ForeignFrontWatch>();
    HoverTriggerHooks::install(HoverPIPTrigger::shared());
    // Learned minimum sizes last one run.
    LearnedMinSizes::resetForLaunch();
}

std::optional<CommandFields> StandInShell::command(const std::string& name) const
{
    const auto found = commands().find(name);
    if (found == commands().end()) return std::nullopt;
    return found->second;
}

void StandInShell::runCommand(const scenario::CommandCall& call)
{
    if (call.name == "mirrorWindow") {
        mirrorWindow(*call.window, focusOf(call.region));
    } else if (call.name == "closePanel") {
        closePanels(*call.window);
    } else if (call.name == "tileAllAction") {
        PipPanel::tileAll();
    } else if (call.name == "togglePauseAll") {
        togglePauseAll();
    } else if (call.name == "beginFocusCreate") {
        beginFocusCreate(call.window);
    }
}

void StandInShell::deliverSignal(const std::string& name)
{
    Diag::log("signal " + name + " received");
}

void StandInShell::quit()
{
    std::vector<QPointer<PipPanel>> open(PipPanel::all().begin(), PipPanel::all().end());
    for (const auto& panel : open)
        if (panel) panel->closePanel(false);
    // Taken-over windows go back to their places before the application goes; what they
    // learn on the way is in the settings written next.
    afterPendingRestores([status = exitStatus_] {
        defaults::Defaults::standard().flush();
        // Closed panels are deleted on a later main-queue turn; the exit comes after them.
        dispatch::main().async([status] { dispatch::main().async([status] { *status = 0; }); });
    });
}

std::optional<int> StandInShell::exitStatus() const
{
    return *exitStatus_;
}

nlohmann::ordered_json StandInShell::panels() const
{
    return panelStates();
}

}  // namespace app
