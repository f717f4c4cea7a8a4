#pragma once

#include <string>
#include <string_view>

namespace core {

// Two lower-case hexadecimal digits per byte.
std::string lowerHex(std::string_view bytes);
// A C0 control character or DEL: what a path must not hold to be shown in a log line or
// handed to a shell.
bool isControlByte(unsigned char byte);
bool hasControlCharacter(std::string_view text);
// Characters of UTF-8 text, not bytes: the bytes that start a code point.
std::size_t codePointCount(std::string_view text);

}  // namespace core
