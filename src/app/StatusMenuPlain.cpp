#include "app/StatusMenuPlain.h"

#include "app/MenuRowLayout.h"
#include "app/MenuWindowRow.h"
#include "foundation/L10n.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/DBusMenuText.h"

#include <QAction>
#include <QMenu>

namespace app {
namespace {

void addChoice(QMenu& menu, const std::string& title, std::function<void()> choose)
{
    QAction* action = menu.addAction(ui::dbusMenuText(title));
    QObject::connect(action, &QAction::triggered, action,
                     [choose = std::move(choose)] { dispatch::main().async(choose); });
}

// The tray draws the label in a font of its own, but it is cut to the room it has in the
// status menu's row (without a thumbnail), so that a long title keeps the menu as narrow.
void addWindow(QMenu& menu, const desktop::ShareableWindow& window, double rowWidth, const PlainMenuActions& actions)
{
    const double room = menurow::layout(rowWidth, menurow::height, std::nullopt, 0).label.width();
    addChoice(menu, MenuWindowRow::elidedLabel(menuRowShownLabel(window), room).toStdString(),
              [pick = actions.pick, window] {
                  if (pick) pick(window);
              });
}

}  // namespace

void fillPlainMenu(QMenu& menu, const MenuPlan& plan, const std::vector<desktop::ShareableWindow>& windows,
                   const PlainMenuActions& actions)
{
    menu.clear();
    // clear() leaves submenus behind, as children of the menu.
    qDeleteAll(menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    for (const auto& entry : plan.entries) {
        switch (entry.kind) {
        case MenuEntry::Kind::separator: menu.addSeparator(); break;
        case MenuEntry::Kind::header: break;
        case MenuEntry::Kind::windowRow: addWindow(menu, windows[entry.window], plan.rowWidth, actions); break;
        case MenuEntry::Kind::more: {
            QMenu* more = menu.addMenu(ui::dbusMenuText(L10n::t("更多") + entry.title));
            for (std::size_t i = 0; i < entry.window; ++i) addWindow(*more, windows[i], plan.rowWidth, actions);
            break;
        }
        case MenuEntry::Kind::item:
            if (entry.command) {
                addChoice(menu, entry.title, [perform = actions.perform, command = *entry.command] {
                    if (perform) perform(command);
                });
            } else {
                menu.addAction(ui::dbusMenuText(entry.title));
            }
            menu.actions().back()->setEnabled(entry.enabled);
            break;
        }
    }
}

}  // namespace app
