#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Turns a crash report into the text that may leave the machine. Lengths count code
// points; the input must be valid UTF-8.
namespace CrashExcerpt {

// Read from a report, and of that, sent.
constexpr std::size_t readLimit = 16000;
constexpr std::size_t sentLimit = 8000;

// UUIDs become "[uuid]", the string values of identifying JSON keys "[redacted]", and
// free-standing runs of 40 or more hexadecimal digits "[hex]", in that order.
std::string redact(std::string_view text);
// Every mention of the home folder becomes "~"; nothing changes for a home that is not
// absolute or is "/".
std::string hideHome(std::string_view text, std::string_view home);
// The first `count` code points.
std::string_view leadingCodePoints(std::string_view text, std::size_t count);

// The excerpt of a whole report: its first readLimit code points, redacted, the home
// folder hidden, cut to sentLimit.
std::string excerpt(std::string_view report, std::string_view home);

}  // namespace CrashExcerpt
