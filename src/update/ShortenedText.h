#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text from outside (a manifest, a server, a package) kept short where one line shows it.
// Lengths count code points.
namespace ShortenedText {

constexpr std::size_t logLimit = 300;
constexpr std::size_t rowLimit = 24;

// For a log line: past logLimit, the first logLimit characters, "…" and the whole length
// in bytes.
std::string forLog(std::string_view text);
// For a menu row: past rowLimit, its start and end around "…", rowLimit characters in all.
std::string forRow(std::string_view text);

}  // namespace ShortenedText
