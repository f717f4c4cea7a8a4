#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

// Lower-case hexadecimal SHA-256 (64 characters).
std::string sha256Hex(std::string_view bytes);
// Of a file's contents, read in 1 MiB chunks; none when it cannot be opened. A read error
// ends the digest early, so it will not match.
std::optional<std::string> sha256HexOfFile(const std::string& path);

}  // namespace core
