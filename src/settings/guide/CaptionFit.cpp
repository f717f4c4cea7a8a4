#include "settings/guide/CaptionFit.h"

#include "settings/guide/SceneToolkit.h"
#include "platform/core/ByteText.h"

#include <algorithm>

namespace guide {

namespace {

constexpr double pointsPerCharacter = 11.5;
constexpr double padding = 22;
constexpr double smallestFontSize = 8;
constexpr double fontStep = 0.5;
constexpr double canvasMargin = 12;
// Rounding in the sums above must not narrow a pill that touches the margin exactly.
constexpr double tolerance = 1e-9;

ui::FontSpec captionFont(double size) { return {size, ui::FontSpec::Weight::semibold}; }

}  // namespace

CaptionFit fitCaption(const std::string& text, core::Point center, const settings::TextMeasurer& measurer)
{
    const double ruleWidth = static_cast<double>(core::codePointCount(text)) * pointsPerCharacter + padding;
    const double widest = 2 * std::min(center.x - canvasMargin, canvasWidth - canvasMargin - center.x);
    const auto textWidth = [&](double size) { return measurer.width(text, captionFont(size)); };
    // The rule's pill stands while its text is not cut: measured glyphs run a little wider
    // than 11.5 pt per character for some scripts and still sit well inside the pill.
    if (ruleWidth <= widest + tolerance && textWidth(captionFontSize) <= ruleWidth + tolerance)
        return {ruleWidth, captionFontSize, true};

    const double width = std::min(ruleWidth, widest);
    for (double size = captionFontSize; size >= smallestFontSize; size -= fontStep)
        if (textWidth(size) <= width - padding + tolerance) return {width, size, true};
    return {width, smallestFontSize, false};
}

}  // namespace guide
