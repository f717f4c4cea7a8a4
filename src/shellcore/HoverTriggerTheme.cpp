#include "shellcore/HoverTriggerTheme.h"

#include "platform/defaults/Defaults.h"

namespace app {

HoverTriggerTheme currentHoverTriggerTheme()
{
    const std::optional<long long> stored = defaults::Defaults::standard().integer("hoverTriggerTheme");
    if (stored && *stored >= 0 && *stored <= 2) return static_cast<HoverTriggerTheme>(*stored);
    return HoverTriggerTheme::gradient;
}

HoverTriggerColours hoverTriggerColours(HoverTriggerTheme theme)
{
    constexpr HoverTriggerRgba white{1, 1, 1, 0.95};
    switch (theme) {
    case HoverTriggerTheme::warmOrange:
        return {{1.00, 0.78, 0.45, 0.96}, {0.98, 0.55, 0.18, 0.96}, white};
    case HoverTriggerTheme::teal:
        return {{0.11, 0.47, 0.42, 0.96}, {0.04, 0.26, 0.25, 0.96}, {0.28, 0.88, 0.62, 1.0}};
    case HoverTriggerTheme::gradient:
        break;
    }
    return {{0.46, 0.45, 1.00, 0.96}, {0.70, 0.32, 0.98, 0.96}, white};
}

}  // namespace app
