#include "platform/ui/ControlNames.h"

#include "platform/ui/Switch.h"
#include "platform/ui/Window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <algorithm>

namespace ui {

namespace {

const char* const kindProperty = "glimraControlKind";

bool hasOwnName(const QWidget& widget)
{
    const QString name = widget.objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void visitChildren(QWidget& parent, const std::function<void(QWidget&, const std::string&)>& visit)
{
    for (QObject* object : parent.children()) {
        auto* child = qobject_cast<QWidget*>(object);
        // Pop-up lists and other child windows are not part of this window's face.
        if (!child || child->isWindow() || !child->isVisible()) continue;
        const std::string kind = listedKind(*child);
        if (!kind.empty()) {
            const std::string id = controlId(*child);
            if (!id.empty()) visit(*child, id);
        }
        if (kind != "tab") visitChildren(*child, visit);
    }
}

}  // namespace

void setControlKind(QWidget& widget, const std::string& kind)
{
    widget.setProperty(kindProperty, QString::fromStdString(kind));
}

std::string controlKind(const QWidget& widget) { return widget.property(kindProperty).toString().toStdString(); }

std::string controlId(const QWidget& widget)
{
    if (!hasOwnName(widget)) return {};
    const std::string name = widget.objectName().toStdString();
    if (widget.isWindow()) return name;
    if (name.front() != '.') {
        const QWidget* window = widget.window();
        return hasOwnName(*window) ? window->objectName().toStdString() + "." + name : std::string();
    }
    for (const QWidget* ancestor = widget.parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (!hasOwnName(*ancestor)) continue;
        const std::string base = controlId(*ancestor);
        return base.empty() ? std::string() : base + name;
    }
    return {};
}

std::string listedKind(const QWidget& widget)
{
    if (std::string kind = controlKind(widget); !kind.empty()) return kind;
    if (qobject_cast<const QLabel*>(&widget)) return "label";
    if (qobject_cast<const QSlider*>(&widget)) return "slider";
    if (qobject_cast<const QComboBox*>(&widget)) return "popup";
    if (qobject_cast<const Switch*>(&widget)) return "switch";
    if (qobject_cast<const QCheckBox*>(&widget)) return "checkbox";
    if (qobject_cast<const QAbstractButton*>(&widget)) return "button";
    return {};
}

std::vector<Window*> shownNamedWindows()
{
    std::vector<Window*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible() && hasOwnName(*window))
            windows.push_back(window);
    // Qt keeps its top-level widgets unordered; the listing must not vary between runs.
    std::sort(windows.begin(), windows.end(), [](const Window* a, const Window* b) {
        const QString nameA = a->objectName(), nameB = b->objectName();
        return nameA != nameB ? nameA < nameB : a->windowNumber() < b->windowNumber();
    });
    return windows;
}

void forEachControl(QWidget& window, const std::function<void(QWidget& control, const std::string& id)>& visit)
{
    visitChildren(window, visit);
}

}  // namespace ui
