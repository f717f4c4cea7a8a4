#pragma once

#include "platform/core/Geometry.h"

namespace ui {

// What shows a status item on the desktop: a button of our own in the status strip, or
// an icon in the system tray.
class StatusItemView {
public:
    virtual ~StatusItemView() = default;

    // Screen coordinates (bottom-left origin, y up); empty when the place is unknown.
    virtual core::Rect frame() const = 0;
    // The item's image, title or tooltip changed.
    virtual void contentChanged() = 0;
    // Shown while the item's menu is open.
    virtual void setHighlighted(bool highlighted) = 0;
};

}  // namespace ui
