#pragma once

#include <string>

namespace core {

// Whether the text is an absolute address a desktop opener may be handed: a scheme
// ("https", "x-apple.systempreferences", ...), a colon and a non-empty rest of printable
// ASCII without spaces or the characters an address never carries unescaped.
bool isWellFormedUrl(const std::string& text);

}  // namespace core
