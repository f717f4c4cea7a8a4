#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/TemplateImage.h"

#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Menu;
class StatusItemView;

// An item of the status bar. On a window system with a system tray it is an icon in the
// tray; otherwise (also on the simulated desktop) a button window of our own at the
// status-bar level at the top right of the primary display (see StatusItemButton). It
// moves between the two as a tray comes and goes. Main thread only; a desktop must be
// installed.
class StatusItem {
public:
    StatusItem();
    ~StatusItem();
    StatusItem(const StatusItem&) = delete;
    StatusItem& operator=(const StatusItem&) = delete;

    // The image is drawn at `pointSize` (its own size when empty), in the colour of the
    // place it stands in; none shows no image.
    void setImage(std::optional<TemplateImage> image, core::Size pointSize = {});
    bool hasImage() const { return image_.has_value(); }
    const std::optional<TemplateImage>& image() const { return image_; }
    core::Size imageSize() const { return imageSize_; }
    void setTitle(const std::string& title);
    const std::string& title() const { return title_; }
    void setToolTip(const std::string& toolTip);
    const std::string& toolTip() const { return toolTip_; }

    // Whether it shows in the system tray.
    bool inSystemTray() const { return inSystemTray_ && !standIn_; }
    // The line that tells where it went on a window system; none on the simulated
    // desktop.
    std::optional<std::string> placementLine() const;
    // Told the line that tells where it went when that changed after the launch (a tray
    // came or went, its button was destroyed by another client and made again).
    std::function<void(const std::string& line)> onPlacementChange;
    void tellPlacement(const std::string& line) const
    {
        if (onPlacementChange) onPlacementChange(line);
    }

    // Screen coordinates (bottom-left origin, y up); empty in a tray that keeps the
    // icon's place to itself.
    core::Rect frame() const;

    // The menu a click pops up under the item; not owned (it must outlive the item or be
    // replaced first), may be none.
    void setMenu(Menu* menu);
    Menu* menu() const;
    // A plain menu for a tray that opens menus itself on a right click (a
    // StatusNotifierItem host, to which our own menu's rows cannot travel); not owned.
    // Elsewhere a right click opens menu() as a left click does.
    void setContextMenu(QMenu* menu);
    QMenu* contextMenu() const { return contextMenu_; }

    // As a click does: pops the menu up under the item (at the pointer when the item's
    // place is unknown) and returns at once, true when it opened. While an alert is open
    // it brings the alert forward instead. `whenDone` runs on the main queue once the
    // menu has closed, or on the next main-queue turn when no menu opened (none set, an
    // alert open, or it did not show).
    bool performClick(std::function<void()> whenDone = {});

    // The items that exist, in creation order.
    static std::vector<StatusItem*> all();

private:
    // Screen coordinates: where the menu's top-left goes.
    core::Point menuPoint() const;
    std::shared_ptr<StatusItemView> makeView();
    // The view the user sees: the own button while it stands in for a tray icon.
    std::shared_ptr<StatusItemView> shownView() const { return standIn_ ? standIn_ : view_; }
    void contentChanged();
    // A tray came or went: the item moves into it or out to its own button.
    void followTray();
    // Replaces the view with one in the tray or in the own button, and says where it went.
    void moveTo(bool inSystemTray, const std::string& line);
    // The tray destroyed the icon's window while it stays: the icon docks again, unless
    // that tray keeps doing so.
    void trayIconLost();
    // The tray would not take the icon: the item stands in its own button until the tray
    // changes.
    void trayRefusedItem();
    // A tray that keeps the icon unembedded leaves it unseen: the own button stands in
    // until the tray embeds it.
    void trayEmbedding(bool embedded);

    std::optional<TemplateImage> image_;
    core::Size imageSize_;
    std::string title_;
    std::string toolTip_;
    Menu* menu_ = nullptr;
    QPointer<QMenu> contextMenu_;
    bool inSystemTray_ = false;
    // Icons the present tray destroyed.
    int trayIconsLost_ = 0;
    // Shared so that a menu closing after the item went finds it gone.
    std::shared_ptr<StatusItemView> view_;
    std::shared_ptr<StatusItemView> standIn_;
};

}  // namespace ui
