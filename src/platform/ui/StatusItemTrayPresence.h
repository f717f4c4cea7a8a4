#pragma once

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

namespace x11 {
class TraySelectionWatch;
}

namespace ui {

// Whether a system tray runs that the status item's tray icon can stand in, followed as
// trays come and go (a panel that restarts). Qt settles once, at its first tray icon,
// which tray its icons speak to for the whole process: a StatusNotifierItem host over
// D-Bus when the session bus's watcher then says one shows the items, else an XEmbed tray
// (the owner of _NET_SYSTEM_TRAY_S<screen>). Only that kind counts from then on. Main
// thread only; on a window system only.
class StatusItemTrayPresence : public QObject {
    Q_OBJECT

public:
    enum class Kind { xembed, statusNotifier };

    // `changed` runs on the main queue once the answer of present() may have changed and
    // the tray has held still for a moment since.
    explicit StatusItemTrayPresence(std::function<void()> changed);
    ~StatusItemTrayPresence() override;

    Kind kind() const { return kind_; }
    bool present() const;

private slots:
    // The watcher came (again) or its hosts changed: asks it anew.
    void askWatcher();

private:
    void watchStatusNotifierHosts();
    void setHostShowsItems(bool shows);
    void tellChange();

    const Kind kind_;
    std::function<void()> changed_;
    bool hostShowsItems_ = false;
    // An answer is stale once the watcher left after the question was asked.
    std::uint64_t question_ = 0;
    bool asking_ = false;
    // The hosts changed while a question was out.
    bool askAgain_ = false;
    std::unique_ptr<x11::TraySelectionWatch> traySelection_;
    dispatch::WorkItem pendingChange_;
    // Gone with the presence, for a change still waiting on the main queue.
    dispatch::Lifetime<StatusItemTrayPresence> lifetime_{this};
};

}  // namespace ui
