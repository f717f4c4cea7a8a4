#include "platform/ui/ControlDump.h"

#include "platform/ui/ControlNames.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TextFit.h"
#include "platform/ui/Window.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace ui {

namespace {

// A tab item shows its title in a label of its own, named ".label" where it has several.
const QLabel* tabLabel(const QWidget& tab)
{
    if (const auto* named = tab.findChild<const QLabel*>(QStringLiteral(".label"))) return named;
    return tab.findChild<const QLabel*>();
}

ControlState stateOf(const QWidget& control, const std::string& id, const QWidget& origin)
{
    ControlState state;
    state.id = id;
    state.kind = listedKind(control);
    state.enabled = control.isEnabled();
    const QPoint topLeft = control.mapTo(control.window(), QPoint(0, 0)) - origin.mapTo(origin.window(), QPoint(0, 0));
    state.frame = core::Rect(topLeft.x(), topLeft.y(), control.width(), control.height());

    const QWidget* textWidget = &control;
    if (state.kind == "tab") {
        textWidget = tabLabel(control);
        state.value = control.property("isSelected").toBool();
    } else if (const auto* toggle = qobject_cast<const Switch*>(&control)) {
        state.value = toggle->isChecked();
    } else if (const auto* box = qobject_cast<const QCheckBox*>(&control)) {
        state.value = box->isChecked();
    } else if (const auto* slider = qobject_cast<const QSlider*>(&control)) {
        state.value = slider->value();
    } else if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        state.value = combo->currentIndex();
    }
    const bool bearsText = state.kind == "tab" || qobject_cast<const QLabel*>(&control) ||
                           qobject_cast<const QComboBox*>(&control) ||
                           (qobject_cast<const QAbstractButton*>(&control) && !qobject_cast<const Switch*>(&control));
    if (bearsText) state.text = textWidget ? shownText(*textWidget).toStdString() : std::string();
    state.clipped = textWidget && textClipped(*textWidget);
    return state;
}

}  // namespace

std::vector<WindowControls> shownControls()
{
    std::vector<WindowControls> list;
    for (Window* window : shownNamedWindows()) {
        WindowControls entry;
        entry.name = window->objectName().toStdString();
        entry.title = window->title();
        const QWidget& origin = window->contentView() ? *window->contentView() : *window;
        forEachControl(*window, [&](QWidget& control, const std::string& id) {
            entry.controls.push_back(stateOf(control, id, origin));
        });
        list.push_back(std::move(entry));
    }
    return list;
}

}  // namespace ui
