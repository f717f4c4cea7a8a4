#include "panels/rules/OverrideChoices.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace panels {

namespace {

constexpr double tolerance = 0.001;

std::string printed(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string idText(desktop::WindowID windowID) { return std::to_string(windowID); }

// The opacity and size pickers share their rule; only the range and the reset differ.
struct ScaleChoice {
    bool changed;
    std::optional<double> override;
    double value;
};

ScaleChoice chooseScaled(std::optional<double> override, double defaultValue, std::optional<double> picked)
{
    const double effective = override.value_or(defaultValue);
    if (!picked) return {override.has_value(), std::nullopt, defaultValue};
    if (*picked == effective) return {false, override, effective};
    const std::optional<double> kept = normalizedOverride(std::optional<double>(*picked), defaultValue);
    if (kept == override) return {false, override, effective};
    return {true, kept, kept.value_or(defaultValue)};
}

}  // namespace

std::string formatMultiplier(double m)
{
    const double r = std::round(m * 100) / 100;
    if (r == std::floor(r)) return printed("%.0f", r) + "×";
    std::string text = printed("%.2f", r);
    text.erase(text.find_last_not_of('0') + 1);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text + "×";
}

RateChoice chooseFrameRate(std::optional<int> override, int defaultRate, int fps)
{
    const int effective = override.value_or(defaultRate);
    if (fps <= 0) return {override.has_value(), std::nullopt, defaultRate};
    const int rate = std::min(fps, 60);
    if (rate == effective) return {false, override, effective};
    return {true, normalizedOverride(std::optional<int>(rate), defaultRate), rate};
}

OpacityChoice chooseOpacity(std::optional<double> override, double defaultOpacity, double value)
{
    if (std::isnan(value)) return {false, override, override.value_or(defaultOpacity)};
    const std::optional<double> picked = value < 0 ? std::nullopt : std::optional<double>(std::clamp(value, 0.1, 1.0));
    const ScaleChoice choice = chooseScaled(override, defaultOpacity, picked);
    return {choice.changed, choice.override, choice.value};
}

SizeChoice chooseSize(std::optional<double> override, double defaultMultiplier, double multiplier)
{
    if (std::isnan(multiplier)) return {false, override, override.value_or(defaultMultiplier)};
    const std::optional<double> picked =
        multiplier <= 0 ? std::nullopt : std::optional<double>(std::clamp(multiplier, 0.5, 4.0));
    const ScaleChoice choice = chooseScaled(override, defaultMultiplier, picked);
    return {choice.changed, choice.override, choice.value};
}

std::optional<double> normalizedOverride(std::optional<double> override, double defaultValue)
{
    if (override && std::abs(*override - defaultValue) < tolerance) return std::nullopt;
    return override;
}

std::optional<int> normalizedOverride(std::optional<int> override, int defaultValue)
{
    if (override == defaultValue) return std::nullopt;
    return override;
}

std::string opacityPercentText(double opacity) { return printed("%.0f", opacity * 100); }

std::string frameRateChoiceLog(desktop::WindowID windowID, int rate, int defaultRate)
{
    return "小窗帧率: id=" + idText(windowID) + " → " + std::to_string(rate) + " fps（临时，默认 " +
           std::to_string(defaultRate) + " fps）";
}

std::string opacityChoiceLog(desktop::WindowID windowID, double opacity, double defaultOpacity)
{
    return "小窗透明度: id=" + idText(windowID) + " → " + opacityPercentText(opacity) + "%（临时，默认 " +
           opacityPercentText(defaultOpacity) + "%）";
}

std::string sizeChoiceLog(desktop::WindowID windowID, double multiplier, double defaultMultiplier)
{
    return "小窗大小: id=" + idText(windowID) + " → " + formatMultiplier(multiplier) + "（临时，默认 " +
           formatMultiplier(defaultMultiplier) + "）";
}

std::string frameRateDefaultLog(desktop::WindowID windowID, int rate)
{
    return "小窗帧率: id=" + idText(windowID) + " 默认值 ← " + std::to_string(rate) + " fps（顶栏）";
}

std::string opacityDefaultLog(desktop::WindowID windowID, double opacity)
{
    return "小窗透明度: id=" + idText(windowID) + " 默认值 ← " + opacityPercentText(opacity) + "%（顶栏）";
}

std::string sizeDefaultLog(desktop::WindowID windowID, double multiplier)
{
    return "小窗大小: id=" + idText(windowID) + " 默认值 ← " + formatMultiplier(multiplier) + "（顶栏）";
}

}  // namespace panels
