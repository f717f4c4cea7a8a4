#include "panels/rules/PanelGeometry.h"

#include <algorithm>
#include <cmath>

namespace panels {

namespace {

// At the default multiplier 1.2 a panel's diagonal is this share of the screen's.
constexpr double diagonalShare = 0.226;
constexpr double defaultMultiplier = 1.2;
constexpr double fitShare = 0.9;

// Sideways, this much of a dragged panel stays on its screen; its top bar stays above the
// screen's bottom.
constexpr double dragKeepWidth = 80;
constexpr double topBarHeight = 28;

constexpr double snapDistance = 16;
constexpr double snapInset = 8;

constexpr double minimumWidth = 180;
constexpr double minimumHeight = 120;

bool hasArea(const core::Rect& V) { return V.width() > 1 && V.height() > 1; }

}  // namespace

double targetArea(const core::Rect& visibleFrame, double multiplier)
{
    const double W = visibleFrame.width();
    const double H = visibleFrame.height();
    const double d = (multiplier / defaultMultiplier) * std::sqrt(W * W + H * H) * diagonalShare;
    const double r = W / std::max(H, 1.0);
    return r * d * d / (r * r + 1);
}

core::Size pipSize(const core::Rect& visibleFrame, double multiplier, double aspect)
{
    const double A = targetArea(visibleFrame, multiplier);
    double w;
    double h;
    if (A > 1 && aspect > 0.01) {
        w = std::sqrt(aspect * A);
        h = std::sqrt(A / aspect);
    } else {
        w = h = std::max(std::sqrt(std::max(A, 4.0)), 2.0);
    }
    const double k = std::min(
        {1.0, fitShare * visibleFrame.width() / std::max(w, 1.0), fitShare * visibleFrame.height() / std::max(h, 1.0)});
    return {w * k, h * k};
}

double sourceAspect(core::Size source) { return source.height > 1 ? source.width / source.height : 1.6; }

std::vector<core::Rect> layoutFrames(const std::vector<core::Size>& sizes, const core::Rect& visibleFrame,
                                     WindowCorner corner)
{
    const double left = visibleFrame.minX() + screenMargin;
    const double right = visibleFrame.maxX() - screenMargin;
    const double bottom = visibleFrame.minY() + screenMargin;
    const double top = visibleFrame.maxY() - screenMargin;
    if (sizes.empty() || right <= left || top <= bottom) return {};

    const bool down = stacksDown(corner);
    const bool toLeft = expandsLeft(corner);
    double x0 = toLeft ? right : left;
    double columnWidth = 0;
    const double y0 = down ? top : bottom;
    double y = y0;

    std::vector<core::Rect> frames;
    frames.reserve(sizes.size());
    for (const core::Size& size : sizes) {
        const double w = std::min(size.width, right - left);
        const double h = std::min(size.height, top - bottom);
        const bool overflows = down ? y - h < bottom : y + h > top;
        // A panel too tall for an empty column stays in it rather than opening another.
        if (overflows && columnWidth > 0) {
            x0 = toLeft ? std::max(x0 - columnWidth - panelGap, left) : std::min(x0 + columnWidth + panelGap, right);
            columnWidth = 0;
            y = y0;
        }
        const double x = std::min(std::max(toLeft ? x0 - w : x0, left), right - w);
        frames.emplace_back(x, down ? y - h : y, w, h);
        columnWidth = std::max(columnWidth, w);
        y = down ? y - h - panelGap : y + h + panelGap;
    }
    return frames;
}

std::vector<core::Rect> rightEdgeArrangement(const std::vector<core::Size>& sizes, const core::Rect& V)
{
    if (!hasArea(V)) return {};
    double topCursor = V.maxY() - screenMargin;
    double columnRight = V.maxX() - screenMargin;
    double columnWidth = 0;

    std::vector<core::Rect> frames;
    frames.reserve(sizes.size());
    for (const core::Size& size : sizes) {
        const double w = size.width;
        const double h = size.height;
        double y = topCursor - h;
        // Unlike the corner tiling this wraps in an empty column too.
        if (y < V.minY() + screenMargin) {
            columnRight = columnRight - columnWidth - panelGap;
            y = V.maxY() - screenMargin - h;
            columnWidth = 0;
        }
        const double x = std::max(std::min(V.maxX() - screenMargin - w, columnRight - w), V.minX() + screenMargin);
        y = std::max(y, V.minY() + screenMargin);
        frames.emplace_back(x, y, w, h);
        columnWidth = std::max(columnWidth, w);
        topCursor = y - panelGap;
    }
    return frames;
}

core::Point clampedOrigin(core::Point origin, core::Size size, const core::Rect& V)
{
    return {std::min(std::max(origin.x, V.minX()), std::max(V.maxX() - size.width, V.minX())),
            std::min(std::max(origin.y, V.minY()), std::max(V.maxY() - size.height, V.minY()))};
}

core::Rect creationFrame(const core::Rect& sourceGlobalFrame, core::Size size, double primaryHeight, const core::Rect& V)
{
    const core::Point centred{sourceGlobalFrame.midX() - size.width / 2,
                              primaryHeight - sourceGlobalFrame.midY() - size.height / 2};
    return {clampedOrigin(centred, size, V), size};
}

core::Point clampDragOrigin(core::Point proposed, core::Size size, const core::Rect& V)
{
    // The upper bounds come last, so they win over the lower ones.
    double x = proposed.x;
    double y = proposed.y;
    y = std::max(y, V.minY() + topBarHeight - size.height);
    y = std::min(y, V.maxY() - size.height);
    x = std::max(x, V.minX() - size.width + dragKeepWidth);
    x = std::min(x, V.maxX() - dragKeepWidth);
    return {x, y};
}

core::Rect snappedFrame(const core::Rect& frame, const core::Rect& V)
{
    double x = frame.x();
    double y = frame.y();
    const double w = frame.width();
    const double h = frame.height();
    if (std::abs(x - V.minX()) < snapDistance) x = V.minX() + snapInset;
    if (std::abs(x + w - V.maxX()) < snapDistance) x = V.maxX() - snapInset - w;
    if (std::abs(y + h - V.maxY()) < snapDistance) y = V.maxY() - snapInset - h;
    if (std::abs(y - V.minY()) < snapDistance) y = V.minY() + snapInset;
    return {x, y, w, h};
}

core::Rect resizedFrame(const core::Rect& start, core::Point delta, unsigned edges)
{
    const bool left = edges & ResizeEdges::left;
    const bool right = edges & ResizeEdges::right;
    const bool top = edges & ResizeEdges::top;
    const bool bottom = edges & ResizeEdges::bottom;
    if (!left && !right && !top && !bottom) return start;

    const double W0 = start.width();
    const double H0 = start.height();
    const double r = W0 / std::max(H0, 1.0);
    const double divisor = std::max(r, 0.01);
    double width;
    double height;
    // The minimum applied last wins, so an extreme aspect can end below the other one.
    if (left || right) {
        width = std::max(left ? W0 - delta.x : W0 + delta.x, minimumWidth);
        height = width / divisor;
        if (height < minimumHeight) {
            height = minimumHeight;
            width = r * minimumHeight;
        }
    } else {
        height = std::max(top ? H0 + delta.y : H0 - delta.y, minimumHeight);
        width = r * height;
        if (width < minimumWidth) {
            width = minimumWidth;
            height = minimumWidth / divisor;
        }
    }
    const double x = left ? start.x() + W0 - width : start.x();
    const double y = bottom ? start.y() + H0 - height : start.y();
    return {x, y, width, height};
}

}  // namespace panels
