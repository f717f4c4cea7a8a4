#pragma once

#include "platform/desktop/Types.h"

#include <optional>
#include <string>

namespace parking {

// A virtual display's size, pixels, refresh rate, scale and millimetres, and the real
// display it was derived from.
struct VDSpec {
    int pointWidth = 0;
    int pointHeight = 0;
    int pixelWidth = 0;
    int pixelHeight = 0;
    double refreshRate = 60;
    double scale = 1;
    double mmWidth = 0;
    double mmHeight = 0;
    desktop::DisplayID sourceDisplayID = 0;

    bool operator==(const VDSpec&) const = default;

    // None when the display has no current mode.
    static std::optional<VDSpec> of(desktop::DisplayID displayID);
    VDSpec padded(double pad) const;
    // "1552x1022点 3104x2044像素 2x 60Hz (源 #1)"
    std::string summary() const;
};

}  // namespace parking
