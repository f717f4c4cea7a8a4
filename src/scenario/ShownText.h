#pragma once

#include <string>
#include <string_view>

namespace scenario {

// A refusal's text as one whole line: the control characters that would break it, end it
// early (NUL) or drive the terminal (escape) are written as JSON escapes them, "\n",
// "\u0000", "\u001b".
std::string shownText(std::string_view text);

}  // namespace scenario
