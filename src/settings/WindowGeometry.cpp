#include "settings/WindowGeometry.h"

#include <algorithm>

namespace settings {

double windowHeight(std::optional<double> visibleHeight, double titleBar)
{
    if (!visibleHeight || *visibleHeight <= 200) return 984;
    return std::max(std::min(*visibleHeight - titleBar - 32, 984.0), 420.0);
}

Chrome chromeFrames(double height, double width)
{
    return {core::Rect(0, height - 76, width, 76), core::Rect(0, height - 77, width, 1),
            core::Rect(0, 0, width, height - 78)};
}

core::Rect tabItemFrame(int index, int count, double width)
{
    return core::Rect((width - count * tabItemWidth) / 2 + index * tabItemWidth, 10, tabItemWidth, tabItemHeight);
}

std::optional<double> grownHeight(int builds, std::optional<double> lowestY, double d)
{
    // The lowest view is to end 24 pt above the bottom.
    constexpr double bottomMargin = 24;
    if (builds >= 3) return std::nullopt;
    if (!lowestY) return d + bottomMargin;
    if (bottomMargin - *lowestY > 0.5) return d + bottomMargin - *lowestY;
    return std::nullopt;
}

}  // namespace settings
