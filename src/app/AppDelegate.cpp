#include "app/AppDelegate.h"

#include "app/HotKeyRegistry.h"
#include "app/HoverPIPTrigger.h"
#include "app/PanelCommands.h"
#include "app/PanelStates.h"
#include "app/ParkingState.h"
#include "foundation/Diag.h"
#include "panels/PipPanel.h"
#include "panels/selector/RegionSelector.h"
#include "panels/HoverTriggerHooks.h"
#include "parking/watchers/CursorGuard.h"
#include "platform/desktop/Desktop.h"
#include "platform/linux/InstanceLock.h"
#include "platform/ui/SignalPipe.h"
#include "platform/ui/StatusItem.h"
#include "settings/SettingsWindow.h"
#include "settings/guide/OnboardingWindow.h"
#include "update/AppUpdate.h"
#include "update/UpdateInstaller.h"

#include <csignal>

namespace app {
namespace {

AppDelegate* sharedDelegate = nullptr;

}  // namespace

AppDelegate::AppDelegate() { sharedDelegate = this; }

AppDelegate::~AppDelegate()
{
    lifetime_.end();
    if (sharedDelegate == this) sharedDelegate = nullptr;
    if (displayObserver_) desktop::displays().removeConfigurationObserver(*displayObserver_);
    frontWatch_.reset();
    refreshTimer_.cancel();
    for (size_t i = 0; i < updateObservers_.size(); ++i)
        (i == 0 ? AppUpdate::didChange() : UpdateInstaller::didChange()).removeObserver(updateObservers_[i]);
    if (signalsInstalled_) ui::SignalPipe::reset();
    auto& trigger = *HoverPIPTrigger::shared();
    trigger.stop();
    trigger.onTrigger = nullptr;
    trigger.onFocusDrag = nullptr;
    // A selection still running when the run ends creates nothing any more.
    selector::RegionSelector::shared().onFinish = nullptr;
    HoverTriggerHooks::install(nullptr);
    // The guard outlives this application; the next one to launch starts it anew.
    if (cursorGuardStarted_) CursorGuard::shared().stop();
    PipPanel::onCountChange() = nullptr;
    // Panels left open when the run ends go with the application.
    while (!PipPanel::all().empty()) delete PipPanel::all().back();
    // So does its settings window: a later run in this process builds its own.
    delete SettingsWindow::existing();
}

AppDelegate* AppDelegate::shared() { return sharedDelegate; }

void AppDelegate::launch(const std::vector<std::string>& args)
{
    // A menu-bar utility: no Dock icon until an auxiliary window asks for one.
    desktop::workspace().setActivationPolicy(desktop::ActivationPolicy::accessory);
    applicationDidFinishLaunching(args);
}

std::optional<CommandFields> AppDelegate::command(const std::string& name) const
{
    if (const CommandRow* row = commandNamed(name)) return row->fields;
    return std::nullopt;
}

void AppDelegate::runCommand(const CommandCall& call)
{
    if (const CommandRow* row = commandNamed(call.name)) row->run(*this, {call.window, call.region});
}

void AppDelegate::deliverSignal(const std::string& name)
{
    // Through the process's own signal path, as a signal from outside takes it; before
    // the hooks exist a signal would end the process, so it is only noted.
    const int signalNumber = name == "SIGUSR1" ? SIGUSR1 : SIGUSR2;
    if (!signalsInstalled_) {
        Diag::log("signal " + name + " ignored: the application has not installed its hooks");
        return;
    }
    ::raise(signalNumber);
    ui::SignalPipe::drain();
}

void AppDelegate::quit()
{
    applicationWillTerminate(lifetime_.guard([](AppDelegate& self) { self.exitWith(0); }));
}

std::optional<int> AppDelegate::exitStatus() const { return exit_.status(); }

void AppDelegate::focusWindow(desktop::WindowID window) { app::focusWindow(window); }

nlohmann::ordered_json AppDelegate::panels() const { return panelStates(); }

ParkingLedger AppDelegate::parking() const { return parkingState(); }

nlohmann::ordered_json AppDelegate::guide() const
{
    return OnboardingWindow::instance() ? OnboardingWindow::instance()->stateJson() : nullptr;
}

const std::vector<desktop::ShareableWindow>& AppDelegate::cachedWindows() const
{
    static const std::vector<desktop::ShareableWindow> none;
    return statusMenu_ ? statusMenu_->cachedWindows() : none;
}

void AppDelegate::rebuildMenu(bool force)
{
    if (statusMenu_) statusMenu_->rebuildMenu(force);
}

void AppDelegate::exitWith(int status) { exit_.exit(status); }

}  // namespace app
