#pragma once

#include "platform/ui/StatusItemTrayPresence.h"
#include "platform/ui/StatusItemView.h"

#include <QIcon>
#include <QSystemTrayIcon>

namespace ui {

class StatusItem;

// A status item shown as an icon in the system tray; a click, left or right, pops the
// menu up. An XEmbed tray gets the item's image in the foreground colour the tray names,
// else in the palette's. A StatusNotifierItem host draws the icon on a panel of its own
// colour, which it does not tell: it gets a light glyph in a dark outline, which shows on
// any panel.
class StatusItemTray : public StatusItemView {
public:
    StatusItemTray(StatusItem& item, StatusItemTrayPresence::Kind tray);

    core::Rect frame() const override;
    void contentChanged() override;
    void setHighlighted(bool) override {}

private:
    QIcon drawIcon() const;

    StatusItem& item_;
    const StatusItemTrayPresence::Kind tray_;
    QSystemTrayIcon icon_;
};

}  // namespace ui
