#include "panels/PanelDefaults.h"

#include "platform/defaults/Defaults.h"

#include <algorithm>
#include <cmath>

namespace PanelDefaults {

namespace {

defaults::Defaults& store() { return defaults::Defaults::standard(); }

double finiteNumber(const char* key, double fallback)
{
    const std::optional<double> value = store().number(key);
    return value && std::isfinite(*value) ? *value : fallback;
}

}  // namespace

int defaultFrameRate()
{
    const long long rate = store().integer(frameRateKey).value_or(30);
    return static_cast<int>(std::clamp(rate, 1LL, 60LL));
}

double opacity() { return std::clamp(finiteNumber(opacityKey, 1.0), 0.1, 1.0); }

double defaultSizeMultiplier() { return std::clamp(finiteNumber(sizeMultiplierKey, 1.2), 0.5, 4.0); }

panels::WindowCorner corner()
{
    const std::optional<long long> value = store().integer(cornerKey);
    if (!value || *value < 0 || *value > 3) return panels::WindowCorner::topRight;
    return static_cast<panels::WindowCorner>(*value);
}

std::optional<long long> defaultScreenChoice() { return store().integer(defaultScreenKey); }

void setDefaultFrameRate(int fps) { store().set(frameRateKey, fps); }

void setOpacity(double value) { store().set(opacityKey, value); }

void setDefaultSizeMultiplier(double multiplier) { store().set(sizeMultiplierKey, multiplier); }

}  // namespace PanelDefaults
