#include "panels/rules/StatusLabelMetrics.h"

#include <algorithm>
#include <cmath>

namespace panels {

namespace {

constexpr double singleLineHeight = 22;
constexpr int maximumLines = 4;

}  // namespace

double statusLabelHeight(const std::string& text, double width, const TextMetrics& metrics)
{
    if (text.empty() || !(metrics.lineHeight > 0) || !metrics.measureHeight) return singleLineHeight;
    const double measured = metrics.measureHeight(text, std::max(width - 20, 20.0));
    const double lines = std::ceil(measured / metrics.lineHeight);
    if (!(lines > 1)) return singleLineHeight;
    return metrics.lineHeight * std::min(lines, double(maximumLines)) + 10;
}

core::Rect statusLabelFrame(core::Size bounds, const std::string& text, const TextMetrics& metrics)
{
    const double width = std::max(bounds.width - 20, 40.0);
    const double height = statusLabelHeight(text, width, metrics);
    return {10, bounds.height - 8 - height, width, height};
}

}  // namespace panels
