#include "parking/ledger/Placement.h"

#include <algorithm>

namespace parking {
namespace {

constexpr double minimumWidth = 320;
constexpr double minimumHeight = 240;
// Kept clear of the display's edges; the top leaves room for a title bar.
constexpr double insetLeft = 16;
constexpr double insetTop = 30;
constexpr double insetRight = 4;
constexpr double insetBottom = 4;
// Slots of a 3 x 3 grid, row by row; the bottom-right one is never tried.
constexpr int slotCount = 8;

}  // namespace

std::optional<Placement> pickPlacement(const core::Rect& display, double margin, const core::Size& windowSize,
                                       const std::vector<core::Rect>& occupied)
{
    double width = windowSize.width;
    double height = windowSize.height;
    bool resized = false;
    if (display.width() - margin < windowSize.width) {
        width = std::max(display.width() - margin, minimumWidth);
        resized = true;
    }
    if (display.height() - margin < windowSize.height) {
        height = std::max(display.height() - margin, minimumHeight);
        resized = true;
    }

    const double x0 = display.minX() + insetLeft;
    const double y0 = display.minY() + insetTop;
    // A window wider or taller than the free range collapses the grid onto its first
    // column or row.
    const double xRange = std::max(x0, display.maxX() - width - insetRight) - x0;
    const double yRange = std::max(y0, display.maxY() - height - insetBottom) - y0;

    for (int slot = 0; slot < slotCount; ++slot) {
        const core::Rect candidate(x0 + xRange * (slot % 3) * 0.5, y0 + yRange * (slot / 3) * 0.5, width, height);
        if (!display.contains(candidate)) continue;
        // Partial overlaps are fine; a window lying inside another, or around it, is not.
        const bool nested = std::any_of(occupied.begin(), occupied.end(), [&](const core::Rect& other) {
            return other.contains(candidate) || candidate.contains(other);
        });
        if (!nested) return Placement{candidate, resized};
    }
    return std::nullopt;
}

}  // namespace parking
