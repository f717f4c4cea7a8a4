#include "panels/rules/ScreenRules.h"

#include "foundation/Diag.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/rules/PanelLayoutLog.h"

#include <algorithm>
#include <cmath>

namespace panels {

ScreenSplit splitScreens(const std::vector<ui::Screen>& screens, const std::function<bool(desktop::DisplayID)>& isVirtual)
{
    ScreenSplit split;
    for (const ui::Screen& screen : screens) {
        (isVirtual(screen.displayID) ? split.virtualScreens : split.real).push_back(screen);
    }
    return split;
}

bool VirtualScreenCriterion::strictUsable(const ScreenSplit& split)
{
    if (split.virtualScreens.empty()) return false;
    std::optional<std::string> overlap;
    for (const ui::Screen& virtualScreen : split.virtualScreens) {
        for (const ui::Screen& realScreen : split.real) {
            const core::Rect shared = virtualScreen.frame.intersection(realScreen.frame);
            if (shared.isNull()) continue;  // no overlap of positive width and height
            overlap = virtualScreen.localizedName + " ∩ " + realScreen.localizedName + " = " +
                      roundedText(shared.width()) + "×" + roundedText(shared.height());
        }
    }
    const bool usable = !overlap;
    if (usable != lastLogged_) {
        lastLogged_ = usable;
        Diag::log(std::string("小窗越界判据: 虚拟屏与真屏") +
                  (usable ? "不重叠 ⇒ 启用【任意交叉】"
                          : "**有重叠**（" + *overlap + "）⇒ 退化【中心落在虚拟屏内】，任意交叉在此排列下不成立") +
                  "（虚拟屏 " + std::to_string(split.virtualScreens.size()) + " 块 / 真屏 " +
                  std::to_string(split.real.size()) + " 块）");
    }
    return usable;
}

bool VirtualScreenCriterion::hits(const core::Rect& frame, const ScreenSplit& split)
{
    if (split.virtualScreens.empty()) return false;
    const bool strict = strictUsable(split);
    const core::Point centre{frame.midX(), frame.midY()};
    return std::any_of(split.virtualScreens.begin(), split.virtualScreens.end(), [&](const ui::Screen& screen) {
        return strict ? screen.frame.intersects(frame) : screen.frame.contains(centre);
    });
}

std::optional<ui::Screen> nearestRealScreen(const core::Rect& frame, const ScreenSplit& split,
                                            const std::optional<ui::Screen>& mainScreen)
{
    if (split.real.empty()) return mainScreen;

    const ui::Screen* largest = &split.real.front();
    double largestArea = -1;
    for (const ui::Screen& screen : split.real) {
        const double area = screen.frame.intersection(frame).area();
        if (area > largestArea) {
            largest = &screen;
            largestArea = area;
        }
    }
    if (largestArea > 0) return *largest;

    const double cx = frame.midX();
    const double cy = frame.midY();
    const ui::Screen* nearest = &split.real.front();
    double nearestDistance = -1;
    for (const ui::Screen& screen : split.real) {
        const core::Rect& f = screen.frame;
        const double dx = std::max({f.minX() - cx, cx - f.maxX(), 0.0});
        const double dy = std::max({f.minY() - cy, cy - f.maxY(), 0.0});
        const double distance = dx * dx + dy * dy;
        if (nearestDistance < 0 || distance < nearestDistance) {
            nearest = &screen;
            nearestDistance = distance;
        }
    }
    return *nearest;
}

std::optional<core::Rect> legalizedFrame(const core::Rect& frame, const ScreenSplit& split,
                                         const std::optional<ui::Screen>& mainScreen)
{
    const std::optional<ui::Screen> screen = nearestRealScreen(frame, split, mainScreen);
    if (!screen) return std::nullopt;
    const core::Rect& V = screen->visibleFrame;
    if (V.width() <= 1 || V.height() <= 1) return std::nullopt;
    return core::Rect(clampedOrigin(frame.origin, frame.size, V), frame.size);
}

std::optional<core::Rect> realTopLeftFrame(core::Size size, const ScreenSplit& split,
                                           const std::optional<ui::Screen>& mainScreen)
{
    const std::optional<ui::Screen> screen = split.real.empty() ? mainScreen : split.real.front();
    if (!screen) return std::nullopt;
    const core::Rect& V = screen->visibleFrame;
    return core::Rect(V.minX() + screenMargin, V.maxY() - screenMargin - size.height, size.width, size.height);
}

core::Rect clearOfVirtualScreens(const core::Rect& frame, VirtualScreenCriterion& criterion, const ScreenSplit& split,
                                 const std::optional<ui::Screen>& mainScreen)
{
    if (!criterion.hits(frame, split)) return frame;
    const std::optional<ui::Screen> home = nearestRealScreen(frame, split, mainScreen);
    if (!home) return frame;
    const core::Rect area = home->visibleFrame.insetBy(screenMargin, screenMargin);

    // Under the centre rule only the centre has to leave a virtual screen, so a frame may
    // keep half of itself over it; a clear point keeps the centre off the shared edge.
    const bool strict = criterion.strictUsable(split);
    const double keepX = strict ? 0 : frame.width() / 2;
    const double keepY = strict ? 0 : frame.height() / 2;
    std::vector<core::Point> origins;
    for (const ui::Screen& screen : split.virtualScreens) {
        const core::Rect& S = screen.frame;
        origins.push_back({S.minX() - frame.width() + keepX - 1, frame.minY()});
        origins.push_back({S.maxX() - keepX, frame.minY()});
        origins.push_back({frame.minX(), S.minY() - frame.height() + keepY - 1});
        origins.push_back({frame.minX(), S.maxY() - keepY});
    }

    std::optional<core::Rect> best;
    double bestDistance = 0;
    for (const core::Point& origin : origins) {
        const core::Rect moved(clampedOrigin(origin, frame.size, area), frame.size);
        if (criterion.hits(moved, split)) continue;
        const double distance = std::abs(moved.minX() - frame.minX()) + std::abs(moved.minY() - frame.minY());
        if (!best || distance < bestDistance) {
            best = moved;
            bestDistance = distance;
        }
    }
    if (best) return *best;
    const std::optional<core::Rect> topLeft = realTopLeftFrame(frame.size, split, mainScreen);
    return topLeft && !criterion.hits(*topLeft, split) ? *topLeft : frame;
}

std::optional<std::size_t> firstLegalCandidate(const std::vector<Candidate>& candidates,
                                               VirtualScreenCriterion& criterion, const ScreenSplit& split)
{
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (candidates[i].frame && !criterion.hits(*candidates[i].frame, split)) return i;
    }
    return std::nullopt;
}

bool screenChanged(std::optional<desktop::DisplayID> current, std::optional<desktop::DisplayID> lastSized)
{
    return current != lastSized;
}

bool screenChanged(const std::optional<ui::Screen>& current, std::optional<desktop::DisplayID> lastSizedID,
                   const std::optional<core::Rect>& lastSizedFrame, bool resizeCounts)
{
    if (screenChanged(current ? std::optional(current->displayID) : std::nullopt, lastSizedID)) return true;
    return resizeCounts && current && lastSizedFrame && current->frame != *lastSizedFrame;
}

bool whollyInside(const core::Rect& frame, const std::vector<core::Rect>& areas)
{
    // The areas' edges cut the frame into cells that each lie in an area or outside all.
    std::vector<double> xs{frame.minX(), frame.maxX()};
    std::vector<double> ys{frame.minY(), frame.maxY()};
    for (const core::Rect& area : areas) {
        for (const double x : {area.minX(), area.maxX()})
            if (x > frame.minX() && x < frame.maxX()) xs.push_back(x);
        for (const double y : {area.minY(), area.maxY()})
            if (y > frame.minY() && y < frame.maxY()) ys.push_back(y);
    }
    for (std::vector<double>* edges : {&xs, &ys}) {
        std::sort(edges->begin(), edges->end());
        edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
    }
    for (std::size_t i = 1; i < xs.size(); ++i) {
        for (std::size_t j = 1; j < ys.size(); ++j) {
            const core::Point centre{(xs[i - 1] + xs[i]) / 2, (ys[j - 1] + ys[j]) / 2};
            const bool inside = std::any_of(areas.begin(), areas.end(),
                                            [&](const core::Rect& area) { return area.contains(centre); });
            if (!inside) return false;
        }
    }
    return true;
}

std::vector<core::Rect> framesOf(const std::vector<ui::Screen>& screens)
{
    std::vector<core::Rect> frames;
    for (const ui::Screen& screen : screens) frames.push_back(screen.frame);
    return frames;
}

std::vector<core::Rect> visibleFramesOf(const std::vector<ui::Screen>& screens)
{
    std::vector<core::Rect> frames;
    for (const ui::Screen& screen : screens) frames.push_back(screen.visibleFrame);
    return frames;
}

}  // namespace panels
