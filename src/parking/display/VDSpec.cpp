#include "parking/display/VDSpec.h"

#include "platform/desktop/Desktop.h"

#include <algorithm>
#include <cmath>

namespace parking {
namespace {

// What a display that does not report its size is taken to measure.
constexpr double fallbackMMWidth = 344;
constexpr double fallbackMMHeight = 222;

}  // namespace

std::optional<VDSpec> VDSpec::of(desktop::DisplayID displayID)
{
    auto& displays = desktop::displays();
    const auto mode = displays.currentMode(displayID);
    if (!mode) return std::nullopt;

    VDSpec spec;
    spec.pointWidth = static_cast<int>(mode->width);
    spec.pointHeight = static_cast<int>(mode->height);
    spec.pixelWidth = mode->pixelWidth;
    spec.pixelHeight = mode->pixelHeight;
    spec.scale = mode->width >= 1 ? mode->pixelWidth / mode->width : 1.0;
    spec.refreshRate = mode->refreshRate > 0 ? mode->refreshRate : 60;
    const auto display = displays.display(displayID);
    const core::Size physical = display ? display->physicalSizeMM : core::Size{};
    spec.mmWidth = physical.width > 0 ? physical.width : fallbackMMWidth;
    spec.mmHeight = physical.height > 0 ? physical.height : fallbackMMHeight;
    spec.sourceDisplayID = displayID;
    return spec;
}

VDSpec VDSpec::padded(double pad) const
{
    const int p = static_cast<int>(pad);
    VDSpec grown = *this;
    grown.pointWidth = pointWidth + p;
    grown.pointHeight = pointHeight + p;
    const double rx = static_cast<double>(grown.pointWidth) / std::max(pointWidth, 1);
    const double ry = static_cast<double>(grown.pointHeight) / std::max(pointHeight, 1);
    grown.pixelWidth = static_cast<int>(std::lround(rx * pixelWidth));
    grown.pixelHeight = static_cast<int>(std::lround(ry * pixelHeight));
    grown.mmWidth = rx * mmWidth;
    grown.mmHeight = ry * mmHeight;
    return grown;
}

std::string VDSpec::summary() const
{
    return std::to_string(pointWidth) + "x" + std::to_string(pointHeight) + "点 " + std::to_string(pixelWidth) + "x" +
           std::to_string(pixelHeight) + "像素 " + std::to_string(static_cast<int>(scale)) + "x " +
           std::to_string(static_cast<int>(refreshRate)) + "Hz (源 #" + std::to_string(sourceDisplayID) + ")";
}

}  // namespace parking
