#include "settings/SettingsLayout.h"

#include <algorithm>
#include <cmath>

namespace settings {

double measure(const TextMeasurer&, const std::string&, const ui::FontSpec&, int, double) { return 0; }

double textColumnWidth(double controlWidth) { return std::max(574 - controlWidth - 30, 80.0); }

RowMetrics rowMetrics(const TextMeasurer&, const std::string&, const std::string&, double controlWidth, int)
{
    return {textColumnWidth(controlWidth), 0, 0, 0, 68};
}

double buttonWidth(const TextMeasurer&, const std::string&) { return 84; }

double popupWidth(const TextMeasurer&, const std::vector<std::string>&, double minW, double) { return minW; }

double snap(double value, double stepsPerUnit) { return std::round(value * stepsPerUnit) / stepsPerUnit; }

}  // namespace settings
