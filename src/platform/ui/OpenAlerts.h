#pragma once

class QWidget;

namespace ui {

// The alerts shown modally right now. A modal alert blocks our other windows; so that it
// never lies hidden while they seem to ignore the user, it is brought forward when it
// first shows, and again at a click on any of them (the status item's button or tray
// icon, a mini window). Main thread only.
class OpenAlert {
public:
    // The alert's native window must exist.
    explicit OpenAlert(QWidget& alert);
    ~OpenAlert();
    OpenAlert(const OpenAlert&) = delete;
    OpenAlert& operator=(const OpenAlert&) = delete;

private:
    QWidget* alert_;
};

// Raises and focuses the alert opened last; false when none is open.
bool bringOpenAlertForward();

}  // namespace ui
