#pragma once

#include "platform/ui/StyledTitle.h"

#include <QMenu>

#include <functional>
#include <optional>
#include <string>

class QAction;

namespace ui {

// The QMenu behind ui::Menu: draws the styled titles of its items (through a style that
// knows them) and answers their
// Command-key equivalents while it is open (the desktop's keys reach the menu directly,
// past Qt's shortcut handling).
class MenuWidget : public QMenu {
    Q_OBJECT

public:
    MenuWidget();

    // The action shows the runs; its text becomes their shown text.
    static void setStyledTitle(QAction& action, const StyledTitle& title);
    static std::optional<StyledTitle> styledTitle(const QAction& action);

    // What names a custom row in listings.
    static void setDescription(QAction& action, const std::string& description);
    static std::string description(const QAction& action);

    // How the action's key equivalent is written in the menu; empty for the toolkit's text.
    static void setKeyEquivalentText(QAction& action, const std::string& text);
    // What the menu shows for it: the text set, else the toolkit's; empty without one.
    static std::string keyEquivalentText(const QAction& action);

    // Closes this menu and the menus it hangs from, before a key equivalent's action.
    std::function<void()> closeAll;
    // Runs once the menu is on screen and at each new size while it is (rows that grow
    // after it opened), to place it on the desktop's displays rather than on Qt's idea of
    // the screen.
    std::function<void()> onShownOrResized;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace ui
