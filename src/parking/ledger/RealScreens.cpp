#include "parking/ledger/RealScreens.h"

#include "foundation/ActiveDisplays.h"
#include "parking/display/DisplayController.h"
#include "platform/desktop/Desktop.h"

#include <algorithm>

namespace parking {
namespace {

constexpr double sideMargin = 8;
constexpr double topMargin = 40;

double squaredDistance(core::Point point, const core::Rect& rect)
{
    const double dx = std::max({rect.minX() - point.x, 0.0, point.x - rect.maxX()});
    const double dy = std::max({rect.minY() - point.y, 0.0, point.y - rect.maxY()});
    return dx * dx + dy * dy;
}

}  // namespace

std::vector<RealScreen> realScreens(const DisplayController& displays)
{
    std::vector<RealScreen> screens;
    for (const auto id : activeDisplayIDs()) {
        if (displays.isVirtual(id) || displays.isZombie(id)) continue;
        if (const auto info = desktop::displays().display(id)) screens.push_back({id, info->frame});
    }
    return screens;
}

std::optional<RealScreen> nearestScreen(const core::Rect& rect, const std::vector<RealScreen>& screens)
{
    const core::Point centre{rect.midX(), rect.midY()};
    std::optional<RealScreen> nearest;
    double nearestDistance = 0;
    for (const auto& screen : screens) {
        const double distance = squaredDistance(centre, screen.frame);
        if (!nearest || distance < nearestDistance) {
            nearest = screen;
            nearestDistance = distance;
        }
    }
    return nearest;
}

core::Rect targetOnScreen(const core::Rect& rect, const core::Rect& screen)
{
    const double left = screen.minX() + sideMargin;
    const double top = screen.minY() + topMargin;
    const double x = std::min(std::max(rect.minX(), left), std::max(left, screen.maxX() - rect.width() - sideMargin));
    const double y = std::min(std::max(rect.minY(), top), std::max(top, screen.maxY() - rect.height() - sideMargin));
    return {x, y, rect.width(), rect.height()};
}

}  // namespace parking
