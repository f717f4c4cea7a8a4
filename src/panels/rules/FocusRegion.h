#pragma once

#include "platform/core/Geometry.h"

#include <optional>
#include <string>

namespace panels {

// The part of a source window a mini window shows: fractions of the window, measured from
// its top-left corner. (0, 0, 1, 1) is the whole window.
struct FocusRegion {
    double x = 0;
    double y = 0;
    double w = 1;
    double h = 1;

    bool operator==(const FocusRegion&) const = default;

    // All four fields within 0.002 of the whole window.
    bool isWholeWindow() const;

    // The part of sourceFrame that screenRect covers (both in screen coordinates, origin
    // bottom left); none for a degenerate frame, no or too thin an overlap, or a region
    // below 4 % of the window in either direction.
    static std::optional<FocusRegion> from(const core::Rect& screenRect, const core::Rect& sourceFrame);

    // The content region that shows this region of a frame whose window part is base.
    core::Rect composedInto(const core::Rect& base) const;

    // Checks the arithmetic on fixed inputs and writes the results to the diagnostics log.
    static void selfTest();
};

// The log line of a panel locking its region at creation.
std::string focusLockLogLine(const FocusRegion& focus, core::Size panelSize, core::Size sourceSize);

}  // namespace panels
