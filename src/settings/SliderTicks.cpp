#include "settings/SliderTicks.h"

#include <algorithm>
#include <cmath>

namespace settings {

namespace {

constexpr double sliderWidth = 188;
// The slider's knob travels 172 pt, starting 8 pt in.
constexpr double trackStart = 8;
constexpr double trackLength = 172;

double neededWidth(const TextMeasurer& m, const std::string& text) { return std::ceil(m.width(text, fonts::tick)) + 4; }

Tick fixedTick(const TextMeasurer& m, Tick::Role role, Tick::Align align, const std::string& text, double x, double width)
{
    const double needed = neededWidth(m, text);
    if (needed > width) {
        x -= (needed - width) / 2;
        width = needed;
    }
    return {role, align, text, x, width};
}

}  // namespace

std::vector<Tick> measuredTicks(const TextMeasurer& m, const std::string& minText,
                                const std::optional<std::string>& defaultText, const std::string& maxText,
                                double minimum, double maximum, double defaultValue)
{
    const double minWidth = std::max(neededWidth(m, minText), 40.0);
    const double maxWidth = std::max(neededWidth(m, maxText), 40.0);
    std::vector<Tick> ticks{{Tick::Role::minimum, Tick::Align::left, minText, 0, minWidth}};
    if (defaultText) {
        const double width = std::max(neededWidth(m, *defaultText), 40.0);
        const double place = trackStart + trackLength * (defaultValue - minimum) / (maximum - minimum);
        const double x = std::max(minWidth + 4, std::min(place - width / 2, sliderWidth - maxWidth - 4 - width));
        ticks.push_back({Tick::Role::standard, Tick::Align::center, *defaultText, x, width});
    }
    ticks.push_back({Tick::Role::maximum, Tick::Align::right, maxText, sliderWidth - maxWidth, maxWidth});
    return ticks;
}

std::vector<Tick> delayTicks(const TextMeasurer& m, const std::string& zeroText, const std::string& defaultText,
                             const std::string& oneSecondText)
{
    return {fixedTick(m, Tick::Role::minimum, Tick::Align::left, zeroText, 0, 16),
            fixedTick(m, Tick::Role::standard, Tick::Align::center, defaultText, 68, 52),
            fixedTick(m, Tick::Role::maximum, Tick::Align::right, oneSecondText, 160, 28)};
}

}  // namespace settings
