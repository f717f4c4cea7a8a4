#include "platform/ui/Screen.h"

#include "platform/desktop/Desktop.h"

namespace ui {

std::vector<Screen> screens()
{
    const auto displays = desktop::displays().activeDisplays();
    const double flipHeight = displays.empty() ? 900.0 : displays.front().frame.height();
    std::vector<Screen> result;
    result.reserve(displays.size());
    for (const auto& display : displays) {
        result.push_back(Screen{display.id, core::flipped(display.frame, flipHeight),
                                core::flipped(display.visibleFrame, flipHeight), display.scale, display.name});
    }
    return result;
}

std::optional<Screen> mainScreen()
{
    auto all = screens();
    if (all.empty()) return std::nullopt;
    return all.front();
}

std::optional<Screen> screenContaining(core::Point screenPoint)
{
    for (auto& screen : screens())
        if (screen.frame.contains(screenPoint)) return screen;
    return std::nullopt;
}

std::optional<Screen> screenForFrame(const core::Rect& screenFrame)
{
    const auto all = screens();
    const core::Point centre{screenFrame.midX(), screenFrame.midY()};
    for (const auto& screen : all)
        if (screen.frame.contains(centre)) return screen;

    std::optional<Screen> best;
    double bestArea = 0;
    for (const auto& screen : all) {
        const double area = screen.frame.intersection(screenFrame).area();
        if (area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    return best;
}

}  // namespace ui
