#pragma once

#include <optional>
#include <string>

namespace desktop {

class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    // Replaces the pasteboard's contents with the text.
    virtual void setString(const std::string& text) = 0;
    virtual std::optional<std::string> string() = 0;
};

}  // namespace desktop
