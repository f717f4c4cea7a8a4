#pragma once

#include <string>

class QWidget;

// How own windows name their controls for the scenario runner's "control" and
// "controls" steps. A top-level window is named by its objectName ("settings"). A
// widget's id is the window's name, a dot and the widget's objectName; an objectName
// that begins with "." is relative and follows the id of the nearest named ancestor
// ("settings.hoverDelayRow" + ".title"). The kind of a widget is taken from its class
// (QLabel label, QSlider slider, QComboBox popup, ui::Switch switch, other buttons
// button) unless setControlKind says otherwise (a tab-bar item is a "tab").
namespace ui {

void setControlKind(QWidget& widget, const std::string& kind);
std::string controlKind(const QWidget& widget);

}  // namespace ui
