#pragma once

#include "app/MenuModel.h"

#include <functional>
#include <vector>

class QMenu;

namespace app {

// What the plain items do; each runs on the main queue's next turn after its choice.
struct PlainMenuActions {
    std::function<void(const desktop::ShareableWindow&)> pick;
    std::function<void(Command)> perform;
};

// Fills the menu anew with the status menu's plan as plain items, for a tray that opens
// menus itself (a StatusNotifierItem host, over D-Bus), to which custom rows cannot
// travel: each window row is its label as the status menu's row draws it, cut to that
// row's width, and picks its window; the header, which explains the rows' buttons, is
// left out. Every text shows as written there.
void fillPlainMenu(QMenu& menu, const MenuPlan& plan, const std::vector<desktop::ShareableWindow>& windows,
                   const PlainMenuActions& actions);

}  // namespace app
