#include "shellcore/HoverTriggerTheme.h"

#include "platform/defaults/SettingsTable.h"

namespace app {

static_assert(defaults::setting::hoverTriggerTheme.fallback == static_cast<int>(HoverTriggerTheme::gradient) &&
              defaults::setting::hoverTriggerTheme.low == static_cast<int>(HoverTriggerTheme::warmOrange) &&
              defaults::setting::hoverTriggerTheme.high == static_cast<int>(HoverTriggerTheme::gradient));

HoverTriggerTheme currentHoverTriggerTheme()
{
    return static_cast<HoverTriggerTheme>(defaults::setting::hoverTriggerTheme.value());
}

HoverTriggerColours hoverTriggerColours(HoverTriggerTheme theme)
{
    constexpr HoverTriggerRgba white{1, 1, 1, 0.95};
    switch (theme) {
    case HoverTriggerTheme::warmOrange: return {{1.00, 0.78, 0.45, 0.96}, {0.98, 0.55, 0.18, 0.96}, white};
    case HoverTriggerTheme::teal: return {{0.11, 0.47, 0.42, 0.96}, {0.04, 0.26, 0.25, 0.96}, {0.28, 0.88, 0.62, 1.0}};
    case HoverTriggerTheme::gradient: break;
    }
    return {{0.46, 0.45, 1.00, 0.96}, {0.70, 0.32, 0.98, 0.96}, white};
}

}  // namespace app
