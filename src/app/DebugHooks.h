#pragma once

#include "panels/rules/FocusRegion.h"
#include "platform/desktop/Capture.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The debug hooks installed at every launch, after ScrollProbe::install(): the settings
// launch arguments, SIGUSR2 mirroring the smallest on-screen window, and the click
// monitors around mini windows. Main thread only.
namespace DebugHooks {

// What the hooks ask of the application. Both are set by the application and hold it
// weakly; an unset action (or a gone application) makes its hook do nothing.
struct Actions {
    // The application's createPanel(for:focus:reason:).
    std::function<void(const desktop::ShareableWindow& window, const panels::FocusRegion& focus, const std::string& reason)>
        createPanel;
    // SettingsWindow::shared().showSettings(tab): none opens the current tab.
    std::function<void(std::optional<int> tab)> showSettings;
};

// With "-glimra-show-settings" among the arguments, logs it and opens the settings
// window 0.3 s later on the tab of "-glimra-tab=N" (when N is a decimal number); in any
// case hooks SIGUSR2 to captureSmallestWindow for the life of the process.
void installDebugSignal(const std::vector<std::string>& arguments, Actions actions);

// The tab of the first "-glimra-tab=" argument; none when there is none, or its rest is
// empty or not a decimal integer.
std::optional<int> settingsTab(const std::vector<std::string>& arguments);

// Mirrors the smallest on-screen window of another application (see
// chooseSmallestWindow) as a mini window of the whole window, once the catalog lists
// it under the same number and owning process. Without Screen Recording, a window list
// or such a window nothing is made, and the log says why.
void captureSmallestWindow(const Actions& actions);

// Logs left clicks that land within 24 points outside a visible mini window (other
// applications) and clicks inside mini windows (this one), for the life of the process.
void installDiagnostics();

}  // namespace DebugHooks
