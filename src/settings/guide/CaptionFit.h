#pragma once

#include "platform/core/Geometry.h"
#include "settings/SettingsLayout.h"

#include <string>

namespace guide {

// A caption pill's width and text size. The rule is 11.5 pt per character (a U+202F
// counts as one) plus 22, in an 11.5-pt semibold font; where that pill would come closer
// than 12 pt to the canvas's edge, or its text would be cut, the pill narrows to stay
// 12 pt inside about its own centre and the text gets smaller, 11 pt clear of either end,
// not below 8 pt.
inline constexpr double captionFontSize = 11.5;

struct CaptionFit {
    double width = 0;
    double fontSize = captionFontSize;
    bool textFits = true;  // false only when even 8 pt is too wide
};
CaptionFit fitCaption(const std::string& text, core::Point center, const settings::TextMeasurer& measurer);

}  // namespace guide
