#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/StyledTitle.h"

#include <QPoint>
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

class MenuWidget;

// One row of a menu. A handle: copies refer to the same row; a handle on a removed row
// does nothing.
class MenuItem {
public:
    struct Record;

    MenuItem() = default;
    explicit MenuItem(std::shared_ptr<Record> record) : record_(std::move(record)) {}

    std::string title() const;
    void setTitle(const std::string& title);
    // Shown in place of the plain title, which stays what title() answers.
    void setStyledTitle(const StyledTitle& title);
    // The text the menu shows: the styled title's when there is one, else the title.
    std::string shownTitle() const;
    // A key that chooses the item with the Command modifier while the menu is open ("," for
    // "⌘,"); empty for none. `shown` is how the menu writes it, empty for the toolkit's text.
    void setKeyEquivalent(const std::string& key, const std::string& shown = {});
    std::string keyEquivalent() const;
    // The key equivalent as the menu shows it ("Ctrl+,"); empty for none.
    std::string shownKeyEquivalent() const;
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

// One entry of an open menu as listed by Menu::openMenus().
struct OpenMenuEntry {
    enum class Kind { item, separator, view };
    Kind kind = Kind::item;
    // An item's shown title; a custom row's description.
    std::string text;
    bool enabled = true;
    bool hasSubmenu = false;

    bool operator==(const OpenMenuEntry&) const = default;
};

// A menu on screen: its frame in global coordinates (top-left origin, y down) and its
// entries in order.
struct OpenMenu {
    core::Rect frame;
    std::vector<OpenMenuEntry> entries;
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
    // The item of the supermenu this submenu hangs from (to style its title); none for a
    // menu that hangs from nothing.
    MenuItem supermenuItem() const;
    // A row drawn by the widget, which the menu takes over. The row closes the menu
    // itself (cancelTracking) when it acts. The description names the row in listings
    // (its label, a header's text).
    void addCustomRow(QWidget* row, const std::string& description = {});
    // Names a row added by addCustomRow anew.
    void describeCustomRow(const QWidget& row, const std::string& description);
    void removeAllItems();
    // Rebuilding an open menu: the items present now stay until removeRetiredItems, so
    // that the new ones are added before the old ones go. Emptied while open, the menu
    // would shrink to nothing, and X11 would lose the popup for good.
    void retireAllItems();
    void removeRetiredItems();
    std::vector<MenuItem> items() const;

    // The menu's top-left corner at the point, in screen coordinates (its bottom-left when
    // the display has no room below the point; always inside the display's work area, also
    // when its rows grow while it is open, and scrolling when taller than that). whenClosed runs on
    // the main queue after this opening has closed, or on the next main-queue turn when
    // the menu did not open (it is empty, or already open). True when it opened.
    bool popUp(core::Point screenPoint, std::function<void()> whenClosed);
    void popUp(core::Point screenPoint);
    // The same at a point in the view's coordinates (bottom-left origin unless flipped).
    void popUp(core::Point viewPoint, const QWidget& view, bool viewFlipped);
    // Closes the top-level menu this one hangs from (or this one) and every submenu.
    void cancelTracking();
    bool isOpen() const;

    // Just before the menu opens: the last moment to change its items.
    std::function<void()> onNeedsUpdate;
    // The menu opens with the items it has now.
    std::function<void()> onWillOpen;
    std::function<void()> onClosed;

    // Whether any menu is open now.
    static bool isAnyMenuOpen();
    // The open menus, front to back (a submenu before the menu it hangs from).
    static std::vector<OpenMenu> openMenus();
    // Clicks, through the desktop's pointer, the entry of the front-most open menu whose
    // shown title (or custom row's description) is `title`: as a user would, so a
    // disabled item does nothing and a custom row acts itself. False when no menu is open
    // or the front-most one has no such entry.
    static bool chooseInFrontMenu(const std::string& title);

    QMenu& qtMenu() const;

private:
    void watch(QAction* action, const std::shared_ptr<MenuItem::Record>& record);
    void opened();
    void closed();
    void showAt(QPoint qtGlobal);
    void hideWithSubmenus();
    // Keeps the menu inside the work area of the desktop display it opens on: a top-level
    // menu at the point it was asked for, a submenu beside its item, shifted or flipped to
    // stay inside.
    void placeOnDesktop();

    QPointer<MenuWidget> menu_;
    // Connections to the menu end with it, so that a menu still being deleted never
    // reaches this object.
    std::unique_ptr<QObject> connections_;
    Menu* supermenu_ = nullptr;
    std::vector<std::shared_ptr<MenuItem::Record>> records_;
    std::vector<std::unique_ptr<Menu>> submenus_;
    std::shared_ptr<MenuItem::Record> supermenuRecord_;
    std::vector<QPointer<QAction>> retired_;
    std::vector<std::shared_ptr<MenuItem::Record>> retiredRecords_;
    std::vector<std::unique_ptr<Menu>> retiredSubmenus_;
    // Run after the current opening closes.
    std::vector<std::function<void()>> whenClosed_;
    QPoint requestedPoint_;
};

}  // namespace ui
