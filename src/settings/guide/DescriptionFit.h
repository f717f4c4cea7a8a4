#pragma once

#include "settings/SettingsLayout.h"
#include "settings/guide/GuideModel.h"

#include <vector>

namespace guide {

// How a step's description is set: 13.5 pt, line spacing 9, in the 752 x 80 label at
// y 162. A text that does not fit gets less line spacing, then a smaller size (not below
// 10 pt), the label growing down towards the page dots (its bottom at y 134 at most).
struct DescriptionFit {
    double fontSize = 13.5;
    double lineSpacing = 9;
    double height = 80;  // the label's height; its top stays at y 242
    bool fits = true;    // false only when even the smallest setting overflows
};
DescriptionFit fitDescription(const std::vector<DescriptionRun>& runs, const settings::TextMeasurer& measurer);

inline constexpr double descriptionWidth = 752;
inline constexpr double descriptionTop = 242;
inline constexpr double descriptionLowestBottom = 134;

}  // namespace guide
