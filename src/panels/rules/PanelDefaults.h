#pragma once

#include "panels/rules/WindowCorner.h"

#include <optional>

// The application-wide defaults the mini windows read on every use, as the settings
// table reads them: a value of the wrong type, or a number that is not finite, counts as
// absent; numbers are clamped.
namespace panels::PanelDefaults {

int defaultFrameRate();          // 30, within 1 ... 60
double opacity();                // 1.0, within 0.1 ... 1.0
double defaultSizeMultiplier();  // 1.2, within 0.5 ... 4.0
// 0 ... 3 selects that corner; anything else is the top right.
panels::WindowCorner corner();
// The stored integer, if any: 0 puts new panels on the first real screen, anything
// else (or nothing) on the source's screen.
std::optional<long long> defaultScreenChoice();

// Set-as-default writes.
void setDefaultFrameRate(int fps);
void setOpacity(double opacity);
void setDefaultSizeMultiplier(double multiplier);

}  // namespace panels::PanelDefaults
