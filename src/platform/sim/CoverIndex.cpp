#include "platform/sim/CoverIndex.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

// A side of at most this many cells keeps the grid small whatever the windows' sizes.
constexpr int maxCellsPerSide = 128;

Box clipped(const Box& box, const Box& to)
{
    return {std::max(box.x0, to.x0), std::max(box.y0, to.y0), std::min(box.x1, to.x1), std::min(box.y1, to.y1)};
}

bool isEmpty(const Box& box) { return !(box.x0 < box.x1 && box.y0 < box.y1); }

// The parts of r not inside cut (at most four boxes).
void subtract(const Box& r, const Box& cut, std::vector<Box>& out)
{
    if (!overlaps(r, cut)) {
        out.push_back(r);
        return;
    }
    const Box o = clipped(r, cut);
    if (o.y0 > r.y0) out.push_back({r.x0, r.y0, r.x1, o.y0});
    if (o.y1 < r.y1) out.push_back({r.x0, o.y1, r.x1, r.y1});
    if (o.x0 > r.x0) out.push_back({r.x0, o.y0, o.x0, o.y1});
    if (o.x1 < r.x1) out.push_back({o.x1, o.y0, r.x1, o.y1});
}

double median(std::vector<double>& values)
{
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

int clampedIndex(double value, int count)
{
    if (!(value > 0)) return 0;
    return value >= count - 1 ? count - 1 : static_cast<int>(value);
}

}  // namespace

Box boxOf(const core::Rect& rect)
{
    const core::Rect r = rect.standardized();
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

bool overlaps(const Box& a, const Box& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

CoverIndex::CoverIndex(const std::vector<Box>& displays, const std::vector<Box>& boxes, const std::vector<bool>& hides)
    : displays_(displays), boxes_(boxes)
{
    bool anyDisplay = false;
    for (const Box& d : displays) {
        if (isEmpty(d)) continue;
        area_ = anyDisplay ? Box{std::min(area_.x0, d.x0), std::min(area_.y0, d.y0), std::max(area_.x1, d.x1),
                                 std::max(area_.y1, d.y1)}
                           : d;
        anyDisplay = true;
    }
    if (!anyDisplay || !std::isfinite(area_.x1 - area_.x0) || !std::isfinite(area_.y1 - area_.y0)) return;

    // Cells about the size of a typical window: most windows then share a few cells, and
    // a window filling a display does not land in thousands of them.
    std::vector<std::size_t> filed;
    std::vector<double> widths;
    std::vector<double> heights;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        if (!hides[i]) continue;
        const Box part = clipped(boxes[i], area_);
        if (isEmpty(part)) continue;
        filed.push_back(i);
        widths.push_back(part.x1 - part.x0);
        heights.push_back(part.y1 - part.y0);
    }
    if (filed.empty()) return;
    const double areaWidth = area_.x1 - area_.x0;
    const double areaHeight = area_.y1 - area_.y0;
    columns_ = static_cast<int>(std::clamp(areaWidth / median(widths), 1.0, double(maxCellsPerSide)));
    rows_ = static_cast<int>(std::clamp(areaHeight / median(heights), 1.0, double(maxCellsPerSide)));
    // Few windows need few cells.
    while (static_cast<std::size_t>(columns_) * rows_ > 4 * filed.size() + 16) {
        int& larger = columns_ >= rows_ ? columns_ : rows_;
        larger = std::max(1, larger / 2);
    }
    cellWidth_ = areaWidth / columns_;
    cellHeight_ = areaHeight / rows_;

    // Two passes: count, then fill; ranks arrive ascending, so each cell is front first.
    std::vector<std::uint32_t> count(static_cast<std::size_t>(columns_) * rows_ + 1, 0);
    for (const std::size_t i : filed) {
        const Span cs = columnsOf(boxes[i]);
        const Span rs = rowsOf(boxes[i]);
        for (int r = rs.first; r <= rs.last; ++r)
            for (int c = cs.first; c <= cs.last; ++c) ++count[static_cast<std::size_t>(r) * columns_ + c + 1];
    }
    for (std::size_t c = 1; c < count.size(); ++c) count[c] += count[c - 1];
    start_ = count;
    ranks_.resize(count.back());
    for (const std::size_t i : filed) {
        const Span cs = columnsOf(boxes[i]);
        const Span rs = rowsOf(boxes[i]);
        for (int r = rs.first; r <= rs.last; ++r)
            for (int c = cs.first; c <= cs.last; ++c)
                ranks_[count[static_cast<std::size_t>(r) * columns_ + c]++] = static_cast<std::uint32_t>(i);
    }
}

// A box is filed in every cell it may touch; the margin keeps rounding at a cell's edge
// from leaving it out of a cell it reaches into.
CoverIndex::Span CoverIndex::columnsOf(const Box& box) const
{
    const double margin = cellWidth_ * 1e-6;
    return {clampedIndex((box.x0 - area_.x0 - margin) / cellWidth_, columns_),
            clampedIndex((box.x1 - area_.x0 + margin) / cellWidth_, columns_)};
}

CoverIndex::Span CoverIndex::rowsOf(const Box& box) const
{
    const double margin = cellHeight_ * 1e-6;
    return {clampedIndex((box.y0 - area_.y0 - margin) / cellHeight_, rows_),
            clampedIndex((box.y1 - area_.y0 + margin) / cellHeight_, rows_)};
}

Box CoverIndex::cellBox(int column, int row) const
{
    // The outer cells reach to the area's edges exactly.
    return {column == 0 ? area_.x0 : area_.x0 + column * cellWidth_, row == 0 ? area_.y0 : area_.y0 + row * cellHeight_,
            column == columns_ - 1 ? area_.x1 : area_.x0 + (column + 1) * cellWidth_,
            row == rows_ - 1 ? area_.y1 : area_.y0 + (row + 1) * cellHeight_};
}

bool CoverIndex::covered(std::size_t rank) const
{
    const Box& window = boxes_[rank];
    std::vector<Box> onDisplays;
    for (const Box& display : displays_)
        if (overlaps(window, display)) onDisplays.push_back(clipped(window, display));
    if (onDisplays.empty() || columns_ == 0) return false;  // nothing on a display, or nothing to hide it

    // Cell by cell: the window's part in a cell can only be hidden by windows filed there.
    std::vector<Box> visible;
    std::vector<Box> next;
    const Span cs = columnsOf(window);
    const Span rs = rowsOf(window);
    for (int r = rs.first; r <= rs.last; ++r) {
        for (int c = cs.first; c <= cs.last; ++c) {
            const Box cell = cellBox(c, r);
            visible.clear();
            for (const Box& part : onDisplays)
                if (overlaps(part, cell)) visible.push_back(clipped(part, cell));
            const std::size_t index = static_cast<std::size_t>(r) * columns_ + c;
            for (std::uint32_t k = start_[index]; k < start_[index + 1] && !visible.empty(); ++k) {
                const std::uint32_t front = ranks_[k];
                if (front >= rank) break;
                const Box& cover = boxes_[front];
                if (!overlaps(cover, cell)) continue;
                next.clear();
                for (const Box& piece : visible) subtract(piece, cover, next);
                visible.swap(next);
            }
            if (!visible.empty()) return false;
        }
    }
    return true;
}

}  // namespace sim
