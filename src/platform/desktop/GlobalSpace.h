#pragma once

#include "platform/core/Geometry.h"

#include <mutex>
#include <vector>

namespace desktop {

// A monitor as the window system places it: its rectangle in the system's own device
// pixels (X11's root window) and its scale (device pixels per point).
struct NativeMonitor {
    core::Rect pixels;
    double scale = 1;
};

// Where the desktop's global space (points, the primary display's top-left at 0, 0, y
// down) lies in the window system's coordinates and in Qt's. The one place that converts
// between them; safe from any thread. Until a desktop sets monitors it is the identity,
// as on the simulated desktop.
class GlobalSpace {
public:
    // The primary monitor first.
    void setMonitors(std::vector<NativeMonitor> monitors);
    std::vector<NativeMonitor> monitors() const;

    // A point converts on the monitor that holds it (the primary when none does); a
    // rectangle on the monitor that holds its centre, its size by that monitor's scale.
    core::Point toGlobal(core::Point pixels) const;
    core::Point toNative(core::Point global) const;
    core::Rect toGlobal(const core::Rect& pixels) const;
    core::Rect toNative(const core::Rect& global) const;

    // Qt's global coordinates are points too, but keep each screen's pixel origin: this
    // is Qt's position of the global origin.
    core::Point qtOrigin() const;

private:
    mutable std::mutex mutex_;
    std::vector<NativeMonitor> monitors_;
};

GlobalSpace& globalSpace();

}  // namespace desktop
