#include "platform/core/ByteText.h"

#include <algorithm>

namespace core {

std::string lowerHex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

bool isControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7f; }

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return isControlByte(static_cast<unsigned char>(c)); });
}

std::size_t codePointCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace core
