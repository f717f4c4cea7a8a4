#pragma once

#include "platform/core/Geometry.h"

#include <cstdint>
#include <vector>

namespace sim {

// A rectangle as its edges.
struct Box {
    double x0, y0, x1, y1;
};

Box boxOf(const core::Rect& rect);
bool overlaps(const Box& a, const Box& b);

// Which windows the windows in front of them hide entirely on the displays. The windows
// that hide are filed in a grid over the displays, each cell listing them front to back,
// so a window is only tested against the ones in front that share a cell with it, and
// the front-most usually settles the question.
class CoverIndex {
public:
    // boxes: every window, front to back; hides[i]: whether window i hides what is
    // behind it (shown and not fully transparent).
    CoverIndex(const std::vector<Box>& displays, const std::vector<Box>& boxes, const std::vector<bool>& hides);

    // Whether the windows in front of window `rank` leave nothing of its part on the
    // displays (false when no part of it is on a display).
    bool covered(std::size_t rank) const;

private:
    struct Span {
        int first, last;
    };
    Span columnsOf(const Box& box) const;
    Span rowsOf(const Box& box) const;
    Box cellBox(int column, int row) const;

    const std::vector<Box>& displays_;
    const std::vector<Box>& boxes_;
    Box area_{0, 0, 0, 0};
    int columns_ = 0;
    int rows_ = 0;
    double cellWidth_ = 1;
    double cellHeight_ = 1;
    // Cell c lists ranks_[start_[c]] .. ranks_[start_[c + 1]] (ascending: front first).
    std::vector<std::uint32_t> start_;
    std::vector<std::uint32_t> ranks_;
};

}  // namespace sim
