#include "platform/core/UrlSyntax.h"

#include <cstring>

namespace core {
namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

}  // namespace

bool isWellFormedUrl(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    if (!isAsciiAlpha(text[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!isAsciiAlpha(c) && !isAsciiDigit(c) && c != '+' && c != '-' && c != '.') return false;
    }
    for (std::size_t i = colon + 1; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7f || std::strchr("\"<>\\^`{|}", c)) return false;
        if (c == '%' && (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))) return false;
    }
    return true;
}

}  // namespace core
