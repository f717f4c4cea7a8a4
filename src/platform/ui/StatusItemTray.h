#pragma once

#include "platform/ui/StatusItemView.h"

#include <QIcon>
#include <QSystemTrayIcon>

namespace ui {

class StatusItem;

// A status item shown as an icon in the system tray: the item's image in the tray's
// foreground colour when it names one, else in the palette's; a click pops the menu up.
class StatusItemTray : public StatusItemView {
public:
    explicit StatusItemTray(StatusItem& item);

    core::Rect frame() const override;
    void contentChanged() override;
    void setHighlighted(bool) override {}

private:
    QIcon drawIcon() const;

    StatusItem& item_;
    QSystemTrayIcon icon_;
};

}  // namespace ui
