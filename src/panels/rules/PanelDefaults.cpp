#include "panels/rules/PanelDefaults.h"

#include "platform/defaults/SettingsTable.h"

namespace panels::PanelDefaults {

using namespace defaults::setting;

static_assert(pipWindowCorner.fallback == static_cast<int>(panels::WindowCorner::topRight) &&
              pipWindowCorner.low == static_cast<int>(panels::WindowCorner::topRight) &&
              pipWindowCorner.high == static_cast<int>(panels::WindowCorner::bottomLeft));

int defaultFrameRate() { return static_cast<int>(pipFrameRate.value()); }

double opacity() { return pipOpacity.value(); }

double defaultSizeMultiplier() { return pipDefaultSizeMultiplier.value(); }

panels::WindowCorner corner() { return static_cast<panels::WindowCorner>(pipWindowCorner.value()); }

std::optional<long long> defaultScreenChoice() { return pipDefaultScreen.stored(); }

void setDefaultFrameRate(int fps) { pipFrameRate.write(fps); }

void setOpacity(double value) { pipOpacity.write(value); }

void setDefaultSizeMultiplier(double multiplier) { pipDefaultSizeMultiplier.write(multiplier); }

}  // namespace panels::PanelDefaults
