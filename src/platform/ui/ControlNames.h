#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

// How own windows name their controls for the scenario runner's "control" and
// "controls" steps. A top-level window is named by its objectName ("settings"). A
// widget's id is the window's name, a dot and the widget's objectName; an objectName
// that begins with "." is relative and follows the id of the nearest named ancestor
// ("settings.hoverDelayRow" + ".title"). Qt's own names ("qt_…") count as none. The kind
// of a widget is taken from its class (QLabel label, QSlider slider, QComboBox popup,
// ui::Switch switch, QCheckBox checkbox, other buttons button) unless setControlKind says
// otherwise (a tab-bar item is a "tab").
namespace ui {

class Window;

void setControlKind(QWidget& widget, const std::string& kind);
std::string controlKind(const QWidget& widget);

// The widget's id; empty when it or its window has no name.
std::string controlId(const QWidget& widget);
// The kind it is listed as; empty for a widget the runner does not list.
std::string listedKind(const QWidget& widget);

// The shown own windows that have a name, by name (then by window number).
std::vector<Window*> shownNamedWindows();

// Each shown, named, listed widget of the window, in the order of the widget tree; a
// tab is one control, whatever it holds.
void forEachControl(QWidget& window, const std::function<void(QWidget& control, const std::string& id)>& visit);

}  // namespace ui
