#pragma once

#include "settings/SettingsLayout.h"

#include <optional>
#include <string>
#include <vector>

// Where a slider group's tick labels stand under its 188-pt slider: x and width in the
// group (bottom-left), each 11 pt high at y 8.
namespace settings {

struct Tick {
    enum class Role { minimum, standard, maximum };
    enum class Align { left, center, right };

    Role role;
    Align align;
    std::string text;  // as shown
    double x = 0;
    double width = 0;
};

// Ticks sized to their texts: the ends at the slider's ends, the default (when given)
// centred under its place, but never closer than 4 pt to an end's label.
std::vector<Tick> measuredTicks(const TextMeasurer& m, const std::string& minText,
                                const std::optional<std::string>& defaultText, const std::string& maxText,
                                double minimum, double maximum, double defaultValue);

// The delay slider's ticks at their fixed places; a text too wide for its place widens
// the label about its centre rather than being cut.
std::vector<Tick> delayTicks(const TextMeasurer& m, const std::string& zeroText, const std::string& defaultText,
                             const std::string& oneSecondText);

}  // namespace settings
