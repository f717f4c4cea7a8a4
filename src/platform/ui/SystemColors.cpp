#include "platform/ui/SystemColors.h"

#include <array>
#include <string_view>

namespace ui {
namespace {

struct NamedColor {
    std::string_view name;
    QColor color;
};

// The light appearance.
const std::array<NamedColor, 21> colors = {{
    {"systemRed", QColor(255, 59, 48)},
    {"systemOrange", QColor(255, 149, 0)},
    {"systemYellow", QColor(255, 204, 0)},
    {"systemGreen", QColor(40, 199, 80)},
    {"systemTeal", QColor(48, 176, 199)},
    {"systemCyan", QColor(50, 173, 230)},
    {"systemBlue", QColor(0, 122, 255)},
    {"systemIndigo", QColor(88, 86, 214)},
    {"systemPurple", QColor(175, 82, 222)},
    {"systemPink", QColor(255, 45, 85)},
    {"systemBrown", QColor(162, 132, 94)},
    {"systemGray", QColor(142, 142, 147)},
    {"label", QColor(0, 0, 0, 217)},
    {"secondaryLabel", QColor(0, 0, 0, 128)},
    {"tertiaryLabel", QColor(0, 0, 0, 66)},
    {"separator", QColor(0, 0, 0, 26)},
    {"controlAccent", QColor(0, 122, 255)},
    {"controlBackground", QColor(255, 255, 255)},
    {"windowBackground", QColor(236, 236, 236)},
    {"textBackground", QColor(255, 255, 255)},
    {"link", QColor(0, 104, 218)},
}};

}  // namespace

QColor systemColor(const std::string& name)
{
    for (const auto& entry : colors)
        if (entry.name == name) return entry.color;
    return QColor(255, 0, 255);
}

}  // namespace ui
