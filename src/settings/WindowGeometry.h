#pragma once

#include "platform/core/Geometry.h"

#include <optional>

// The settings window's own arithmetic: its height on a screen, the chrome around the
// content and the growth of a tab that does not fit. Frames are bottom-left in the
// window's content view.
namespace settings {

inline constexpr double tabItemWidth = 92;
inline constexpr double tabItemHeight = 58;

// visibleHeight: the screen's visible height, none without a screen; titleBar: what a
// titled window adds to its content. Between 420 and 984.
double windowHeight(std::optional<double> visibleHeight, double titleBar);

struct Chrome {
    core::Rect tabBar;
    core::Rect separator;
    core::Rect scroll;
};
Chrome chromeFrames(double height, double width);

// Tab items side by side, centred in the window's width, in the bar.
core::Rect tabItemFrame(int index, int count, double width);

// After a build at trial height d whose lowest view ends at lowestY (none: no views):
// the next trial height, or none when the build stands. At most three builds.
std::optional<double> grownHeight(int builds, std::optional<double> lowestY, double d);

}  // namespace settings
