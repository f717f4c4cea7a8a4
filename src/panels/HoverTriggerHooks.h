#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <memory>
#include <optional>
#include <string>

// The shell's hover trigger as the panels reach it. The trigger lives in the
// application, which panels never link: the application implements this interface and
// installs it at launch. Main thread only.
class HoverTriggerHooks {
public:
    // The frontmost ordinary window of another application under a point.
    struct WindowHit {
        desktop::WindowID windowID = 0;
        core::Rect cgFrame;      // global coordinates (origin top left)
        core::Rect appkitFrame;  // the same rectangle in screen coordinates (origin bottom left)
        std::string owner;       // "?" when the window list names no owner
    };

    virtual ~HoverTriggerHooks() = default;

    // While suspended the trigger shows no block and senses nothing.
    virtual void setSuspended(bool suspended) = 0;
    // The first window of layer 0 not owned by this process whose bounds contain the
    // point (screen coordinates) and that is wider and higher than minSize; none when
    // there is none or the window list cannot be read.
    virtual std::optional<WindowHit> windowUnder(core::Point screenPoint, core::Size minSize) = 0;

    // Replaces the installed trigger; none uninstalls it.
    static void install(std::shared_ptr<HoverTriggerHooks> hooks);
    // The installed trigger; until one is installed, one that never suspends anything
    // and finds no window.
    static HoverTriggerHooks& installed();
};
