#pragma once

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/ui/StatusItemTrayPresence.h"
#include "platform/ui/StatusItemView.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

namespace x11 {
class DestroyedWindowsWatch;
class TrayEmbeddingWatch;
}

namespace ui {

class StatusItem;

// A status item shown as an icon in the system tray. A left click pops the item's menu
// up; so does a right click, except on a StatusNotifierItem host, which opens the item's
// plain context menu itself. An XEmbed tray gets the item's image in the foreground colour
// the tray names. A StatusNotifierItem host draws the icon on a panel of its own colour,
// which it does not tell, and so does an XEmbed tray that names none: they get a light
// glyph in a dark outline, which shows on any panel.
class StatusItemTray : public StatusItemView {
public:
    // `iconLost` runs on the main queue when an XEmbed tray destroyed the icon's window
    // while this stands; `refused` on the main thread when a StatusNotifierItem watcher
    // did not take the icon. `embedding` runs on the main queue with false when an XEmbed
    // tray has not embedded the icon within a few seconds, at first or after it unmapped it
    // or let it go back to the root, and with true when it embeds it again.
    StatusItemTray(StatusItem& item, StatusItemTrayPresence::Kind tray, std::function<void()> iconLost,
                   std::function<void()> refused, std::function<void(bool embedded)> embedding);
    ~StatusItemTray() override;

    core::Rect frame() const override;
    void contentChanged() override;
    void setHighlighted(bool) override {}

    // The X window Qt keeps the XEmbed icon in; none before the tray has it.
    static unsigned long xembedIconWindow();

private:
    QIcon drawIcon() const;
    void watchEmbedding();
    void embeddingChanged(bool embedded);
    // Tells that the icon is not embedded unless it is within a few seconds.
    void awaitEmbedding();

    StatusItem& item_;
    const StatusItemTrayPresence::Kind tray_;
    std::function<void()> iconLost_;
    std::function<void()> refused_;
    std::function<void(bool)> embedding_;
    bool embedded_ = false;
    bool toldNotEmbedded_ = false;
    dispatch::WorkItem unembeddedCheck_;
    QSystemTrayIcon icon_;
    std::unique_ptr<x11::DestroyedWindowsWatch> destroyedWindows_;
    std::unique_ptr<x11::TrayEmbeddingWatch> embeddingWatch_;
    dispatch::Lifetime<StatusItemTray> lifetime_{this};
};

}  // namespace ui
