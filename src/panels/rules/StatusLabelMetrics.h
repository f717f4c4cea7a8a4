#pragma once

#include "platform/core/Geometry.h"

#include <functional>
#include <string>

namespace panels {

// The status label's font, measured by whoever draws it.
struct TextMetrics {
    double lineHeight = 0;
    // The height the text takes when wrapped at maxWidth.
    std::function<double(const std::string& text, double maxWidth)> measureHeight;
};

// 22 for an empty text or one line; otherwise up to four lines plus 10.
double statusLabelHeight(const std::string& text, double width, const TextMetrics& metrics);

// The label's frame in a content view of the given size (top-left origin): 10 pt from
// the sides, at least 40 pt wide, its lower edge 8 pt above the view's.
core::Rect statusLabelFrame(core::Size bounds, const std::string& text, const TextMetrics& metrics);

}  // namespace panels
