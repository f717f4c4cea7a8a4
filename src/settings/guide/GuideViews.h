#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/UiFont.h"

#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QWidget;

// The guide's views are placed from bottom-left frames and share one way to make a
// label and a push button.
namespace guide {

void place(QWidget& view, const core::Rect& frame, double parentHeight);

// A label in the font and the named colour, named for the control list.
QLabel* makeLabel(const std::string& text, const ui::FontSpec& font, const char* colour, const char* name,
                  QWidget* parent);

void setTextColour(QLabel& label, const char* colour);

QPushButton* makeButton(const std::string& title, const char* name, std::function<void()> action, QWidget* parent);

}  // namespace guide
