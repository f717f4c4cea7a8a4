#pragma once

#include "platform/core/Geometry.h"
#include "settings/SettingsLayout.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Where everything of a settings card goes, worked out before any view is made. Frames
// are bottom-left: rows in the card, labels and the icon square in their row.
namespace settings {

inline constexpr double cardX = 36;
inline constexpr double cardWidth = 648;
inline constexpr double gapBelowCard = 22;

struct CardRowText {
    std::string title;
    std::string subtitle;
    double controlWidth = 0;
    int subtitleLines = 3;
};

struct CardRowLayout {
    RowMetrics metrics;  // as the row's height was measured
    core::Rect frame;
    core::Rect iconSquare;
    core::Rect title;
    core::Rect subtitle;  // zero when there is no subtitle
};

struct CardLayout {
    double height = 0;
    std::vector<CardRowLayout> rows;
    std::vector<core::Rect> separators;
    std::optional<core::Rect> groupBox;
};

// groupedRows {lower, upper}: rows lower through upper share a box and lose the
// separators between them; a range whose upper end is not a row draws no box.
CardLayout layoutCard(const TextMeasurer& m, const std::vector<CardRowText>& rows,
                      std::optional<std::pair<int, int>> groupedRows, double width = cardWidth);

// A control of this size, right-aligned in its row and centred vertically.
core::Rect controlFrame(double rowWidth, double rowHeight, core::Size size);

// The line the layout self-check writes for a row.
std::string layoutCheckLine(const std::string& title, const RowMetrics& row, double controlWidth);

}  // namespace settings
