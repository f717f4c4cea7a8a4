#pragma once

#include <string>
#include <vector>

namespace ui {

// A piece of a menu item's title in one weight and colour of the menu's font.
struct TitleRun {
    enum class Weight { regular, medium, bold };
    enum class Color {
        label,   // the menu's ordinary text colour
        red,     // the system's red
        accent,  // the desktop's accent colour
    };

    std::string text;
    Weight weight = Weight::regular;
    Color color = Color::label;

    bool operator==(const TitleRun&) const = default;
};

using StyledTitle = std::vector<TitleRun>;

// The text a styled title shows: its runs' texts one after the other.
std::string shownText(const StyledTitle& title);

}  // namespace ui
