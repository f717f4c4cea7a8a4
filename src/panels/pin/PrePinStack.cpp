#include "panels/pin/PrePinStack.h"

#include <algorithm>

namespace pin {

namespace {

std::vector<double> sortedCuts(std::vector<double> cuts)
{
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

std::size_t cutIndex(const std::vector<double>& cuts, double value)
{
    return static_cast<std::size_t>(std::lower_bound(cuts.begin(), cuts.end(), value) - cuts.begin());
}

}  // namespace

// The covers' edges cut rect into cells that are each wholly covered or wholly free. One
// sweep over the columns counts, per row of cells, the covers spanning the column, so the
// cost grows with the square of the covers rather than their cube.
double visibleArea(const core::Rect& rect, const std::vector<core::Rect>& covers)
{
    if (!(rect.width() > 0 && rect.height() > 0)) return 0;

    std::vector<core::Rect> clips;
    clips.reserve(covers.size());
    for (const core::Rect& cover : covers) {
        const core::Rect clip = rect.intersection(cover);
        if (!clip.isNull() && clip.width() > 0 && clip.height() > 0) clips.push_back(clip);
    }
    if (clips.empty()) return rect.width() * rect.height();

    const auto clamped = [](double v, double lo, double hi) { return std::clamp(v, lo, hi); };
    std::vector<double> xs{rect.minX(), rect.maxX()};
    std::vector<double> ys{rect.minY(), rect.maxY()};
    for (const core::Rect& clip : clips) {
        xs.push_back(clamped(clip.minX(), rect.minX(), rect.maxX()));
        xs.push_back(clamped(clip.maxX(), rect.minX(), rect.maxX()));
        ys.push_back(clamped(clip.minY(), rect.minY(), rect.maxY()));
        ys.push_back(clamped(clip.maxY(), rect.minY(), rect.maxY()));
    }
    xs = sortedCuts(std::move(xs));
    ys = sortedCuts(std::move(ys));
    if (xs.size() < 2) return 0;

    struct Span {
        std::size_t x0, x1, y0, y1;  // cut indices
    };
    std::vector<Span> spans;
    spans.reserve(clips.size());
    for (const core::Rect& clip : clips) {
        spans.push_back({cutIndex(xs, clip.minX()), cutIndex(xs, clip.maxX()), cutIndex(ys, clip.minY()),
                         cutIndex(ys, clip.maxY())});
    }

    double visible = 0;
    std::vector<int> depth(ys.size());
    for (std::size_t column = 0; column + 1 < xs.size(); ++column) {
        std::fill(depth.begin(), depth.end(), 0);
        for (const Span& span : spans) {
            if (span.x0 <= column && column < span.x1) {
                ++depth[span.y0];
                --depth[span.y1];
            }
        }
        const double width = xs[column + 1] - xs[column];
        int covering = 0;
        for (std::size_t row = 0; row + 1 < ys.size(); ++row) {
            covering += depth[row];
            if (covering == 0) visible += width * (ys[row + 1] - ys[row]);
        }
    }
    return visible;
}

PrePinStack prePinStack(const std::optional<std::vector<desktop::WindowInfo>>& list, desktop::WindowID sourceWindow,
                        desktop::Pid sourcePid, desktop::Pid ownPid, const core::Rect& sourceFrame)
{
    PrePinStack stack;
    if (!list) return stack;

    struct Candidate {
        RaiseEntry entry;
        core::Rect bounds;
    };
    std::vector<Candidate> candidates;
    for (const desktop::WindowInfo& info : *list) {
        if (info.layer != 0L) continue;
        if (info.number == sourceWindow) break;
        if (!info.ownerPid || *info.ownerPid == 0 || *info.ownerPid == ownPid || *info.ownerPid == sourcePid) continue;
        const core::Rect bounds = info.bounds.value_or(core::Rect{});
        const core::Rect overlap = bounds.intersection(sourceFrame);
        if (overlap.width() > 0 && overlap.height() > 0) candidates.push_back({{info.number, *info.ownerPid}, bounds});
    }
    stack.candidates = candidates.size();

    std::vector<RaiseEntry> keptFrontToBack;
    std::vector<core::Rect> keptBounds;
    for (const Candidate& candidate : candidates) {
        const double area = candidate.bounds.width() * candidate.bounds.height();
        if (area > 0 && visibleArea(candidate.bounds, keptBounds) >= visibleShare * area) {
            keptFrontToBack.push_back(candidate.entry);
            keptBounds.push_back(candidate.bounds);
        }
    }
    stack.kept = keptFrontToBack.size();
    stack.frontPid = keptFrontToBack.empty() ? 0 : keptFrontToBack.front().pid;
    stack.raiseList.assign(keptFrontToBack.rbegin(), keptFrontToBack.rend());
    return stack;
}

std::string prePinStackLogLine(const PrePinStack& stack, desktop::Pid prePinFrontAppPid)
{
    return "接管预览: 固定前叠放 原始=" + std::to_string(stack.candidates) + " 可见轮廓=" + std::to_string(stack.kept) +
           "个 活动应用pid=" + std::to_string(stack.frontPid) + " 真实前台pid=" + std::to_string(prePinFrontAppPid);
}

}  // namespace pin
