#pragma once

#include "platform/ui/OwnWindowRegistration.h"

#include <QObject>

#include <memory>

class QWidget;

namespace ui {

// Lists a plain Qt top-level widget (a menu) with the desktop while it is shown, at a
// fixed level and at the place Qt gives it. Lives as the widget's child.
class ShownWidgetRegistration : public QObject {
public:
    ShownWidgetRegistration(QWidget& widget, long level);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    desktop::OwnWindowState desktopState() const;

    QWidget& widget_;
    const long level_;
    std::unique_ptr<OwnWindowRegistration> registration_;
};

}  // namespace ui
