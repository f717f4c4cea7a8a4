#include "settings/ValueLabels.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"

#include <cmath>

namespace settings {

std::string multiplierLabel(double value) { return core::formatText("%.1f×", {value}); }

std::string percentLabel(double fraction) { return std::to_string(std::lround(fraction * 100)) + "%"; }

std::string secondsLabel(double seconds) { return core::formatText("%.1fs", {seconds}); }

std::string hoverDelayTitle(double seconds)
{
    return core::formatText(L10n::t("鼠标悬停 %.1f 秒后出现预览"), {seconds});
}

}  // namespace settings
