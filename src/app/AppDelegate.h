#pragma once

#include "app/Application.h"
#include "app/CommandTable.h"
#include "app/ForeignFrontWatch.h"
#include "app/HotKeyPanelHiding.h"
#include "app/ProcessExit.h"
#include "app/StatusMenu.h"
#include "panels/rules/FocusRegion.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Timer.h"
#include "platform/dispatch/WhileAlive.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace linuxdesktop {
class InstanceLock;
}
namespace ui {
class StatusItem;
}

namespace app {

class HotKeyRegistry;

// The menu-bar application: the launch sequence that starts every part in order, the
// quit sequence, the ways a mini window is made and the commands of the menu and hot
// keys. The run loop on the X11 desktop, the live run and the scenario runner drive it as
// their application. Main thread only.
class AppDelegate : public Application {
public:
    AppDelegate();
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The one delegate while it lives; other parts reach it through here and find it
    // gone once it has been destroyed.
    static AppDelegate* shared();

    // ---- runner ----
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

    // ---- start-up and shut-down ----
    // The launch sequence; a self-test or a second instance ends it early with an exit.
    void applicationDidFinishLaunching(const std::vector<std::string>& args);
    // The quit sequence: every mini window closed without animation, the taken-over
    // windows put back, then the parked ones; done runs on the main queue at its end.
    void applicationWillTerminate(std::function<void()> done);
    // The running application opened again: brings the guide or the settings window
    // forward; false when neither is showing.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    // The one way out: writes what is pending, then ends the run with the status.
    void exitWith(int status);

    // ---- creating mini windows ----
    void createPanel(const desktop::ShareableWindow& window, const panels::FocusRegion& focus, const std::string& reason);
    // Brings forward the mini window the source window already has, with the duplicate
    // hint for a focus request; false when it has none.
    static bool frontExistingPanel(const desktop::ShareableWindow& window, bool focusRequest);
    // Calls done with the window of that number from the cached list at once, else from a
    // fresh catalog on a later main-queue turn; a window in neither is one log line.
    void resolveWindow(desktop::WindowID windowID, const std::string& reason,
                       std::function<void(const desktop::ShareableWindow&)> done);
    // The hover trigger's click and Option-drag on a window.
    void triggerClicked(desktop::WindowID windowID);
    void triggerFocusDragged(desktop::WindowID windowID);
    void captureFrontmost();
    void beginFocusCreate(const std::optional<desktop::ShareableWindow>& restrictTo);
    void beginFocusOnWindow(const desktop::ShareableWindow& window);
    void armRegionSelector();
    void makeFocusedPanel(desktop::WindowID windowID, const panels::FocusRegion& region);
    void showScreenPermissionAlert();

    // ---- commands of the menu, the hot keys and scenario steps ----
    // Carries out the command; a target only for one that takes a window.
    void perform(Command command, const CommandTarget& target = {});
    void togglePauseAll();
    void closeAll();
    void togglePanelsVisibility();
    void openPermissionAuth();
    void openScreenSettings();
    void openAXSettings();
    void repairPermission();
    void relaunch();
    // Starts a new copy that waits for this one's instance lock, then quits.
    void relaunchOnly();
    void quitApp();
    void checkForUpdatesAction();
    void startUpdateDownload();
    void installUpdateNow();
    void showSettings();
    void showHotkeySettings();
    void openHelpCenter();
    void copyDiagnosticsAction();
    // The cursor guard's escape action.
    void rescueNow();

    // The last catalog list of source windows, as the status menu keeps it.
    const std::vector<desktop::ShareableWindow>& cachedWindows() const;
    // The hot keys, for the settings window to register them again after a change; none
    // before the launch reaches them.
    HotKeyRegistry* hotKeys() const { return hotKeys_.get(); }
    void rebuildMenu(bool force);

    // The launch argument of a copy started by relaunchOnly(): it waits for this copy's
    // instance lock before the single-instance step.
    static constexpr const char* awaitInstanceLockArgument = "-glimra-await-instance-lock";
    static constexpr double awaitInstanceLockSeconds = 15.0;

private:
    // Self-test dispatch; true when one ran (the launch ends there).
    bool runSelfTest(const std::vector<std::string>& args);
    // Takes the instance lock (waiting for it in a relaunched copy) and listens for
    // reopen requests; false when the running copies need not be looked at: the lock's
    // folder is unfit, or the copy this one waited for has gone.
    bool takeInstanceLock(const std::vector<std::string>& args);
    // False when another copy runs: it was activated and this one exits.
    bool passSingleInstanceRule(const std::vector<std::string>& args);
    void logStartupLines();
    void installStatusItem();
    void menuShotLaunch();
    void installHotKeys();
    void installHoverTrigger();
    // The settings window reaches the shell only through these.
    void installSettingsHooks();
    void installSignals();
    void startRefreshTimer();
    void observeUpdates();

    ProcessExit exit_;
    std::unique_ptr<linuxdesktop::InstanceLock> instanceLock_;
    std::unique_ptr<ForeignFrontWatch> frontWatch_;
    std::optional<desktop::Token> displayObserver_;
    // The item holds the menu: it goes first.
    std::unique_ptr<StatusMenu> statusMenu_;
    std::unique_ptr<ui::StatusItem> statusItem_;
    std::unique_ptr<HotKeyRegistry> hotKeys_;
    HotKeyPanelHiding panelHiding_;
    dispatch::Timer refreshTimer_;
    std::vector<std::uint64_t> updateObservers_;  // availability, then phase
    bool signalsInstalled_ = false;
    bool cursorGuardStarted_ = false;
    bool quitting_ = false;
    // Stored callbacks reach the delegate through this and find it gone afterwards.
    dispatch::Lifetime<AppDelegate> lifetime_{this};
};

}  // namespace app
