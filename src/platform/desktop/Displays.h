#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <optional>

namespace desktop {

struct DisplayMode {
    double width = 0;   // points
    double height = 0;  // points
    int pixelWidth = 0;
    int pixelHeight = 0;
    double refreshRate = 60;
};

// A display, with frames in global points (top-left origin of the primary display).
struct DisplayInfo {
    DisplayID id = 0;
    core::Rect frame;
    core::Rect visibleFrame;  // without the menu bar and the Dock
    double scale = 2;         // backing scale factor
    DisplayMode mode;
    core::Size physicalSizeMM;
    std::string name;
    bool isVirtual = false;  // created through the virtual-display service
    bool isMain = false;
    bool isBuiltin = false;
};

struct OriginChange {
    DisplayID id = 0;
    int x = 0;
    int y = 0;
};

class Displays {
public:
    virtual ~Displays() = default;

    // Active displays, the primary first. Empty when none is active.
    virtual std::vector<DisplayInfo> activeDisplays() = 0;
    virtual std::optional<DisplayInfo> display(DisplayID id) = 0;
    // The primary display (the one with the menu bar).
    virtual std::optional<DisplayID> mainDisplayID() = 0;
    // The display's current mode; none while it has none yet (a new virtual display
    // waits for its mode) or for an unknown display.
    virtual std::optional<DisplayMode> currentMode(DisplayID id) = 0;
    // The display whose frame holds the point; none outside every display.
    virtual std::optional<DisplayID> displayAt(core::Point point) = 0;

    // One display configuration transaction, committed permanently: each change moves a
    // display's origin (whole points). An empty transaction is still a commit, which
    // makes the system drop displays that have ended. Answers the platform's error code
    // (0 success, 1001 an unknown display). Sends the configuration notice.
    virtual int commitConfiguration(const std::vector<OriginChange>& changes) = 0;

    // Whether a display whose frame changed in place counts as another screen for the windows
    // laid out on it, as one plugged in does. X11 keeps a monitor's name, and so its id,
    // through a resize; by default the id alone tells.
    virtual bool resizeCountsAsNewScreen() const { return false; }

    // Called on the main queue after every change of the display arrangement.
    virtual Token addConfigurationObserver(std::function<void()> onChange) = 0;
    virtual void removeConfigurationObserver(Token token) = 0;
};

// Height of the first display, the axis every global/screen conversion flips by; 900
// when no display is known.
double firstScreenHeight(Displays& displays);

}  // namespace desktop
