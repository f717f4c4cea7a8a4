#include "parking/watchers/CursorTarget.h"

#include <algorithm>
#include <limits>

namespace cursortarget {
namespace {

double gap(double value, double low, double high)
{
    if (value < low) return low - value;
    if (value > high) return value - high;
    return 0;
}

double clamped(double value, double low, double high) { return std::max(low, std::min(value, high)); }

}  // namespace

std::size_t nearestDisplay(core::Point point, const std::vector<core::Rect>& bounds)
{
    std::size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        const double dx = gap(point.x, bounds[i].minX(), bounds[i].maxX());
        const double dy = gap(point.y, bounds[i].minY(), bounds[i].maxY());
        const double distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

core::Point clampedInto(core::Point point, const core::Rect& bounds)
{
    return {clamped(point.x, bounds.minX() + edgeInset, bounds.maxX() - edgeInset),
            clamped(point.y, bounds.minY() + edgeInset, bounds.maxY() - edgeInset)};
}

}  // namespace cursortarget
