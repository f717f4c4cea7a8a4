#pragma once

#include "app/ForeignFrontWatch.h"
#include "app/ProcessExit.h"
#include "panels/FocusRegion.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/Types.h"
#include "scenario/Application.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PipPanel;

namespace app {

// The menu-bar application: the launch sequence that starts every part in order, the
// quit sequence, the ways a mini window is made and the commands of the menu and hot
// keys. The scenario runner and the live run drive it as their application. Main
// thread only.
class AppDelegate : public scenario::Application {
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
    std::optional<scenario::CommandFields> command(const std::string& name) const override;
    void runCommand(const scenario::CommandCall& call) override;
    void deliverSignal(const std::string& name) override;
    void quit() override;
    std::optional<int> exitStatus() const override;
    nlohmann::ordered_json panels() const override;

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
    void createPanel(const desktop::ShareableWindow& window, const FocusRegion& focus, const std::string& reason);
    // Calls done with the window of that number from the cached list at once, else from a
    // fresh catalog on a later main-queue turn; a window in neither is one log line.
    void resolveWindow(desktop::WindowID windowID, const std::string& reason,
                       std::function<void(const desktop::ShareableWindow&)> done);
    // The hover trigger's click and Option-drag on a window.
    void triggerClicked(desktop::WindowID windowID);
    void triggerFocusDragged(desktop::WindowID windowID);
    void captureFrontmost();
    void captureFrontmostAction() { captureFrontmost(); }
    void beginFocusCreate(const std::optional<desktop::ShareableWindow>& restrictTo);
    void beginFocusOnWindow(const desktop::ShareableWindow& window);
    void armRegionSelector();
    void makeFocusedPanel(desktop::WindowID windowID, const FocusRegion& region);
    void showScreenPermissionAlert();

    // ---- bulk and menu commands ----
    void togglePauseAll();
    void closeAll();
    void tileAllAction();
    void togglePanelsAction() { togglePanelsVisibility(); }
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

    // The last catalog list of source windows; the status menu keeps it.
    std::vector<desktop::ShareableWindow> cachedWindows;

private:
    // The launch steps after the self-tests; false when the launch ended there.
    bool passSingleInstanceRule();
    void logStartupLines();
    void installObservers();
    // Runs a command of the menu and hot-key table by its name; false for another name.
    bool runMenuCommand(const std::string& name);
    // Hides a panel for the user: its pinned preview left first, its hover preview hidden.
    static void putAway(PipPanel* panel);

    std::vector<std::string> launchArgs_;
    ProcessExit exit_;
    std::unique_ptr<ForeignFrontWatch> frontWatch_;
    std::optional<desktop::Token> displayObserver_;
    bool quitting_ = false;
    // Stored callbacks hold the delegate through this and find it gone afterwards.
    std::shared_ptr<AppDelegate*> self_;
};

}  // namespace app
