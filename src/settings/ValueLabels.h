#pragma once

#include <string>

// The slider value labels and the delay row's title. Their numbers take the interface
// language's decimal separator ("1,2×" in German), as the top bar's badges do.
namespace settings {

std::string multiplierLabel(double value);  // "1.2×"
std::string percentLabel(double fraction);  // 0.456 → "46%", halves away from zero
std::string secondsLabel(double seconds);   // "0.5s"
// The translated "鼠标悬停 %.1f 秒后出现预览" filled with the delay.
std::string hoverDelayTitle(double seconds);

}  // namespace settings
