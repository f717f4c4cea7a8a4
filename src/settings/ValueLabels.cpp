#include "settings/ValueLabels.h"

#include "foundation/L10n.h"
#include "platform/core/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace settings {
namespace {

// One decimal, written with a comma where the interface language writes one.
std::string oneDecimal(double value)
{
    std::string text = core::formatText("%.1f", {value});
    switch (L10n::resolved()) {
    case ResolvedLang::fr:
    case ResolvedLang::de:
    case ResolvedLang::es: std::replace(text.begin(), text.end(), '.', ','); break;
    default: break;
    }
    return text;
}

}  // namespace

std::string multiplierLabel(double value) { return oneDecimal(value) + "×"; }

std::string percentLabel(double fraction) { return std::to_string(std::lround(fraction * 100)) + "%"; }

std::string secondsLabel(double seconds) { return oneDecimal(seconds) + "s"; }

std::string hoverDelayTitle(double seconds)
{
    // The number goes in as text, so that it keeps the language's separator.
    std::string format = L10n::t("鼠标悬停 %.1f 秒后出现预览");
    if (const auto at = format.find("%.1f"); at != std::string::npos) format.replace(at, 4, "%@");
    return core::formatText(format, {oneDecimal(seconds)});
}

}  // namespace settings
