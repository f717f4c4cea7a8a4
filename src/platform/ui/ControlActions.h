#pragma once

#include "platform/core/Geometry.h"

#include <string>

class QComboBox;
class QSlider;
class QWidget;

// What the scenario runner does to an own window's controls, as the user would.
namespace ui {

class Window;

// The shown own window of that name; none when no such window is shown.
Window* shownWindow(const std::string& name);
// The shown control of the window with the id (see ControlNames.h); none when there is
// none.
QWidget* shownControl(QWidget& window, const std::string& id);

// Scrolls every scroll area around the control so that it shows, and answers where a
// click hits it (its centre; a check box's box) in global coordinates (top-left of the
// primary display, y down).
core::Point revealForClick(QWidget& control);

// As a drag of the knob that ends at the value: the slider's value signals fire. False,
// and nothing moves, when the value is outside the slider's range.
bool dragSlider(QSlider& slider, int value);
// As the user picks the item from the list: false, and nothing changes, when there is no
// such item.
bool choosePopupItem(QComboBox& popup, int index);

}  // namespace ui
