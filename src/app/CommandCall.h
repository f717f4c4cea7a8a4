#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <optional>
#include <string>

namespace app {

// What a command step may carry besides its name.
enum class FieldUse { refused, optional, required };

// The fields one command of the application takes; the scenario reader refuses a step
// that misses a required field or carries a refused one.
struct CommandFields {
    FieldUse window = FieldUse::refused;
    FieldUse region = FieldUse::refused;
};

// One command as a step gives it to the application.
struct CommandCall {
    std::string name;
    std::optional<desktop::WindowID> window;
    // Fractions of the window, x and y from its top-left corner: x, y >= 0, x + w <= 1,
    // y + h <= 1, w and h at least 0.04.
    std::optional<core::Rect> region;
};

}  // namespace app
