#include "settings/SettingsLayout.h"

#include "settings/TextWrapping.h"

#include <algorithm>
#include <cmath>

namespace settings {

double measure(const TextMeasurer& m, const std::string& text, const ui::FontSpec& font, int maxLines, double width)
{
    if (text.empty()) return 0;
    const int lines = std::min(maxLines, m.lineCount(text, font, std::max(width - 2 * labelTextInset, 20.0)));
    return std::ceil(m.lineHeight(font)) * lines;
}

double textColumnWidth(double controlWidth) { return std::max(574 - controlWidth - 30, 80.0); }

RowMetrics rowMetrics(const TextMeasurer& m, const std::string& title, const std::string& subtitle, double controlWidth,
                      int subtitleLines)
{
    RowMetrics row;
    row.textWidth = textColumnWidth(controlWidth);
    row.title = measure(m, title, fonts::rowTitle, 3, row.textWidth);
    row.subtitle = measure(m, subtitle, fonts::rowSubtitle, subtitleLines, row.textWidth);
    row.gap = subtitle.empty() ? 0 : 3;
    row.height = std::max(std::ceil(row.title + row.gap + row.subtitle + 24), 68.0);
    return row;
}

double buttonWidth(const TextMeasurer& m, const std::string& title)
{
    return std::max(std::ceil(m.width(title, fonts::inlineButton)) + 30, 84.0);
}

double popupWidth(const TextMeasurer& m, const std::vector<std::string>& titles, double minW, double extra)
{
    double width = minW;
    for (const auto& title : titles) width = std::max(width, extra + std::ceil(m.width(title, fonts::popup)));
    return std::min(width, 424.0);
}

double snap(double value, double stepsPerUnit) { return std::round(value * stepsPerUnit) / stepsPerUnit; }

}  // namespace settings
