#pragma once

#include "platform/desktop/Types.h"

#include <optional>
#include <string>
#include <vector>

namespace panels {

// What the badge menus offer and how a pick changes a panel's override. An override is
// never kept equal to its default: a pick at the default clears it instead.

inline const std::vector<int> frameRateChoices{1, 5, 10, 24, 30, 60};
inline const std::vector<double> sizeMultiplierChoices{0.5, 0.75, 1.0, 1.2, 1.5, 2.0, 3.0};

// The size badge's text: "2×", "1.2×", "0.75×".
std::string formatMultiplier(double m);

// Each choice answers whether anything changed, the override to keep and the effective
// value. Unchanged means: no log line, no badge update, nothing applied.
struct RateChoice {
    bool changed;
    std::optional<int> override;
    int rate;
};
// fps <= 0 is the menu's "default" entry.
RateChoice chooseFrameRate(std::optional<int> override, int defaultRate, int fps);

struct OpacityChoice {
    bool changed;
    std::optional<double> override;
    double opacity;
};
// A negative value is the "default" entry; 0 is clamped to 0.1.
OpacityChoice chooseOpacity(std::optional<double> override, double defaultOpacity, double value);

struct SizeChoice {
    bool changed;
    std::optional<double> override;
    double multiplier;
};
// A value <= 0 is the "default" entry.
SizeChoice chooseSize(std::optional<double> override, double defaultMultiplier, double multiplier);

// An override that equals a (new) default is dropped: within 0.001, integers exactly.
std::optional<double> normalizedOverride(std::optional<double> override, double defaultValue);
std::optional<int> normalizedOverride(std::optional<int> override, int defaultValue);

// Log lines of a choice and of set-as-default.
std::string frameRateChoiceLog(desktop::WindowID windowID, int rate, int defaultRate);
std::string opacityChoiceLog(desktop::WindowID windowID, double opacity, double defaultOpacity);
std::string sizeChoiceLog(desktop::WindowID windowID, double multiplier, double defaultMultiplier);
std::string frameRateDefaultLog(desktop::WindowID windowID, int rate);
std::string opacityDefaultLog(desktop::WindowID windowID, double opacity);
std::string sizeDefaultLog(desktop::WindowID windowID, double multiplier);

// An opacity in whole percent, as badges and log lines write it: 0.85 gives "85".
std::string opacityPercentText(double opacity);

}  // namespace panels
