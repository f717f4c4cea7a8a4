#pragma once

#include "platform/core/Geometry.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QObject;
class QWidget;

namespace ui {

// One row of a menu. A handle: copies refer to the same row; a handle on a removed row
// does nothing.
class MenuItem {
public:
    struct Record;

    MenuItem() = default;
    explicit MenuItem(std::shared_ptr<Record> record) : record_(std::move(record)) {}

    std::string title() const;
    void setTitle(const std::string& title);
    bool isEnabled() const;
    void setEnabled(bool enabled);
    // Shows a check mark.
    bool isChecked() const;
    void setChecked(bool checked);
    long tag() const;
    void setTag(long tag);
    void setToolTip(const std::string& toolTip);
    // Runs on the main queue's next turn after the menu has closed.
    void setAction(std::function<void()> action);

    QAction* qtAction() const;

private:
    std::shared_ptr<Record> record_;
};

// A menu over QMenu. It opens without blocking (popUp returns at once); an item's action
// runs on the main queue's next turn after the menu has closed. While open, the menu is
// listed with the desktop like any own window. Main thread only.
class Menu {
public:
    Menu();
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    MenuItem addItem(const std::string& title, std::function<void()> action = {});
    void addSeparator();
    // The submenu belongs to this menu.
    Menu& addSubmenu(const std::string& title);
    // A row drawn by the widget, which the menu takes over. The row closes the menu
    // itself (cancelTracking) when it acts.
    void addCustomRow(QWidget* row);
    void removeAllItems();
    std::vector<MenuItem> items() const;

    // The menu's top-left corner at the point, in screen coordinates.
    void popUp(core::Point screenPoint);
    // The same at a point in the view's coordinates (bottom-left origin unless flipped).
    void popUp(core::Point viewPoint, const QWidget& view, bool viewFlipped);
    // Closes this menu and the menus it hangs from.
    void cancelTracking();
    bool isOpen() const;

    std::function<void()> onWillOpen;
    std::function<void()> onClosed;

    // Whether any menu is open now.
    static bool isAnyMenuOpen();

    QMenu& qtMenu() const { return *menu_; }

private:
    void watch(QAction* action, const std::shared_ptr<MenuItem::Record>& record);

    QPointer<QMenu> menu_;
    // Connections to the menu end with it, so that a menu still being deleted never
    // reaches this object.
    std::unique_ptr<QObject> connections_;
    Menu* supermenu_ = nullptr;
    std::vector<std::shared_ptr<MenuItem::Record>> records_;
    std::vector<std::unique_ptr<Menu>> submenus_;
};

}  // namespace ui
