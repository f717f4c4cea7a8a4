#include "scenario/Base64Text.h"

namespace scenario {
namespace {

int sextet(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::optional<std::string> decodeBase64(std::string_view text)
{
    if (text.size() % 4 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (padding == 1 && text[i + 2] == '=') return std::nullopt;
        unsigned value = 0;
        for (int k = 0; k < 4; ++k) {
            const int bits = k >= 4 - padding ? 0 : sextet(text[i + k]);
            if (bits < 0) return std::nullopt;
            value = value << 6 | unsigned(bits);
        }
        bytes.push_back(char(value >> 16));
        if (padding < 2) bytes.push_back(char(value >> 8 & 0xff));
        if (padding < 1) bytes.push_back(char(value & 0xff));
    }
    return bytes;
}

}  // namespace scenario
