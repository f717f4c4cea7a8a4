#include "settings/guide/DescriptionFit.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace guide {

namespace {

constexpr double preferredSize = 13.5;
constexpr double smallestSize = 10;
constexpr double sizeStep = 0.5;
constexpr double preferredSpacing = 9;
constexpr double spacingStep = 3;
constexpr double preferredHeight = 80;
constexpr double triggerImageWidth = 38;
constexpr double triggerImageHeight = 25;

struct Measured {
    std::string text;
    int images = 0;
};

Measured measuredText(const std::vector<DescriptionRun>& runs)
{
    Measured measured;
    for (const auto& run : runs) {
        if (run.triggerImage)
            ++measured.images;
        else
            measured.text += run.text;
    }
    return measured;
}

// Every line is followed by the line spacing, the last one too; a line holding the
// picture is as tall as the picture above the baseline plus the font's descent. Bold
// is the wider of the two faces, so measuring in it never underestimates.
double heightNeeded(const Measured& measured, double size, double spacing, const settings::TextMeasurer& measurer)
{
    const ui::FontSpec bold{size, ui::FontSpec::Weight::bold};
    const double width = descriptionWidth - triggerImageWidth * measured.images;
    const int lines = measurer.lineCount(measured.text, bold, width);
    const double lineHeight = std::ceil(measurer.lineHeight(bold));
    const double pictureExtra = std::max(0.0, std::ceil(triggerImageHeight - 0.75 * lineHeight));
    return lines * (lineHeight + spacing) + measured.images * pictureExtra;
}

}  // namespace

DescriptionFit fitDescription(const std::vector<DescriptionRun>& runs, const settings::TextMeasurer& measurer)
{
    const Measured measured = measuredText(runs);
    const double room = descriptionTop - descriptionLowestBottom;
    for (double size = preferredSize; size >= smallestSize; size -= sizeStep) {
        for (double spacing = preferredSpacing; spacing >= 0; spacing -= spacingStep) {
            const double needed = std::ceil(heightNeeded(measured, size, spacing, measurer));
            if (needed <= room) return {size, spacing, std::max(preferredHeight, needed), true};
        }
    }
    return {smallestSize, 0, room, false};
}

}  // namespace guide
