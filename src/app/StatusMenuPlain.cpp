#include "app/StatusMenuPlain.h"

#include "foundation/L10n.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/LiteralText.h"

#include <QAction>
#include <QMenu>

namespace app {
namespace {

void addChoice(QMenu& menu, const std::string& title, std::function<void()> choose)
{
    QAction* action = menu.addAction(ui::literalText(title));
    QObject::connect(action, &QAction::triggered, action,
                     [choose = std::move(choose)] { dispatch::main().async(choose); });
}

void addWindow(QMenu& menu, const desktop::ShareableWindow& window, const PlainMenuActions& actions)
{
    addChoice(menu, menuRowLabel(window), [pick = actions.pick, window] {
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
        case MenuEntry::Kind::windowRow: addWindow(menu, windows[entry.window], actions); break;
        case MenuEntry::Kind::more: {
            QMenu* more = menu.addMenu(ui::literalText(L10n::t("更多") + entry.title));
            for (std::size_t i = 0; i < entry.window; ++i) addWindow(*more, windows[i], actions);
            break;
        }
        case MenuEntry::Kind::item:
            if (entry.command) {
                addChoice(menu, entry.title, [perform = actions.perform, command = *entry.command] {
                    if (perform) perform(command);
                });
            } else {
                menu.addAction(ui::literalText(entry.title));
            }
            menu.actions().back()->setEnabled(entry.enabled);
            break;
        }
    }
}

}  // namespace app
