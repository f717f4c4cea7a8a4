#include "platform/ui/ControlNames.h"

#include <QWidget>

namespace ui {

namespace {
const char* const kindProperty = "glimraControlKind";
}

void setControlKind(QWidget& widget, const std::string& kind)
{
    widget.setProperty(kindProperty, QString::fromStdString(kind));
}

std::string controlKind(const QWidget& widget) { return widget.property(kindProperty).toString().toStdString(); }

}  // namespace ui
