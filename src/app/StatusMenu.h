#pragma once

#include "app/MenuModel.h"
#include "capture/Catalog.h"
#include "panels/rules/FocusRegion.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/ui/Menu.h"

#include <QMenu>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace app {

class MenuWindowRow;

// The status item's menu: rebuilt from the cached window list every time it is about to
// open, never waiting for capture; the list is refreshed in the background, and a fresh
// list with other windows than the open menu shows rebuilds it in place (the same windows
// under new titles only retitle its rows). Main thread only.
//
// The delegate owns one StatusMenu, attaches menu() to the status item, and calls
// rebuildMenu(false) after launch, on update notices and after commands. The menu calls
// back only through Host; the row callbacks stop working once the StatusMenu is gone.
class StatusMenu {
public:
    struct Host {
        // A command item was chosen (runs on the main queue after the menu closed).
        std::function<void(Command)> perform;
        // createPanel(for:focus:reason:) with the whole window and "菜单·窗口列表选中".
        std::function<void(const desktop::ShareableWindow&, const panels::FocusRegion&, const std::string& reason)> createPanel;
        // beginFocusOnWindow(_:).
        std::function<void(const desktop::ShareableWindow&)> beginFocusOnWindow;
        // Number of mini windows; PipPanel::all() when unset.
        std::function<std::size_t()> panelCount;
    };

    explicit StatusMenu(Host host);
    ~StatusMenu();
    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    ui::Menu& menu() { return menu_; }
    // The same as plain items, kept up to date with menu() and the cached window list,
    // for a tray that opens menus itself on a right click.
    QMenu& plainMenu() { return plainMenu_; }

    // Fills plainMenu() anew. A tray shows it as it stands, so it must follow what the
    // status menu only reads when it opens, such as the number of mini windows.
    void refreshPlainMenu();

    // Rebuilds from scratch; while the menu is open an unforced rebuild only marks it
    // dirty, which turns into one rebuild after it closes.
    void rebuildMenu(bool force);

    // The menu's open and close callbacks (wired to menu() by the constructor; public for
    // callers that open it another way).
    void menuNeedsUpdate();
    void menuWillOpen();
    void menuDidClose();

    // Fetches the window list in the background and stores it; warms the thumbnails when
    // asked. A "not allowed" answer keeps the list and shows the red permission row.
    void refreshCache(bool warmThumbs);

    const std::vector<desktop::ShareableWindow>& cachedWindows() const { return cachedWindows_; }
    void setCachedWindows(std::vector<desktop::ShareableWindow> windows) { cachedWindows_ = std::move(windows); }
    // dispatch::now() of the last opening; none before the first.
    std::optional<double> menuOpenedAt() const { return menuOpenedAt_; }
    bool menuIsOpen() const { return gate_.isOpen(); }
    bool menuDirty() const { return gate_.isDirty(); }

private:
    void storeListing(Catalog::Listing listing, bool warmThumbs);
    void fetch(bool warmThumbs);
    MenuInputs readInputs() const;
    void retitleRows();
    void refillPlainMenu(const MenuPlan& plan);
    // A window row was chosen, in either menu.
    void pick(const desktop::ShareableWindow& window);

    Host host_;
    ui::Menu menu_;
    QMenu plainMenu_;
    std::vector<desktop::ShareableWindow> cachedWindows_;
    // The window rows of the last build: which cached window each shows, in which menu.
    struct ShownRow {
        std::size_t window = 0;
        QPointer<MenuWindowRow> row;
        ui::Menu* owner = nullptr;
    };
    std::vector<ShownRow> windowRows_;
    std::optional<double> menuOpenedAt_;
    MenuRebuildGate gate_;
    std::optional<std::string> lastLoggedUpdateRowState_;
    bool catalogRefused_ = false;
    // Rows, items and queued work reach the menu through this.
    dispatch::Lifetime<StatusMenu> lifetime_{this};
};

}  // namespace app
