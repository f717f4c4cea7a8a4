#include "scenario/ShownText.h"

#include <cstdio>

namespace scenario {

std::string shownText(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': shown += "\\n"; break;
        case '\r': shown += "\\r"; break;
        case '\t': shown += "\\t"; break;
        case '\b': shown += "\\b"; break;
        case '\f': shown += "\\f"; break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                char escaped[7];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                shown += escaped;
            } else {
                shown += c;
            }
        }
    }
    return shown;
}

}  // namespace scenario
