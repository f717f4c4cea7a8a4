#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Numbers as the capture log lines write them.
namespace capture {

// Truncated toward zero: sizes and positions in whole points or pixels.
inline std::string wholeText(double value) { return std::to_string(static_cast<long long>(value)); }
inline std::string wholeSizeText(double width, double height) { return wholeText(width) + "x" + wholeText(height); }

// printf's "%.2f".
inline std::string twoDecimalsText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Lower-case hexadecimal without leading zeros.
inline std::string hexText(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace capture
