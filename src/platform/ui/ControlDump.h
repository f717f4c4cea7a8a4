#pragma once

#include "platform/core/Geometry.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ui {

// One listed control as it stands.
struct ControlState {
    std::string id;
    std::string kind;
    std::optional<std::string> text;  // none for a switch or a slider
    // A switch's or check box's state, a tab's selection; a slider's value or a pop-up's
    // index.
    std::optional<std::variant<bool, int>> value;
    bool enabled = true;
    // In window points: from the top-left corner of the window's content view, y down.
    core::Rect frame;
    bool clipped = false;
};

struct WindowControls {
    std::string name;
    std::string title;
    std::vector<ControlState> controls;
};

// The shown named own windows (see shownNamedWindows) with their listed controls.
std::vector<WindowControls> shownControls();

}  // namespace ui
