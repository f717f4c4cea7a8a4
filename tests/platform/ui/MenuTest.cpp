#include "platform/ui/Menu.h"

#include "platform/desktop/Desktop.h"
#include "platform/ui/Window.h"
#include "support/SimDesktopTest.h"
#include "support/QtTestApplication.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

using desktop::EventType;

class MenuTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
    }

    void clickAt(QPoint global)
    {
        for (const auto type : {EventType::leftMouseDown, EventType::leftMouseUp}) {
            desktop::Event event;
            event.type = type;
            event.location = {global.x() + 0.5, global.y() + 0.5};
            event.clickState = 1;
            desktop::input().postEvent(event);
        }
        clock().runUntilIdle();
    }

    void clickItem(ui::Menu& menu, const ui::MenuItem& item)
    {
        const QMenu& qtMenu = menu.qtMenu();
        clickAt(qtMenu.geometry().topLeft() + qtMenu.actionGeometry(item.qtAction()).center());
    }
};

TEST_F(MenuTest, ItemsCarryTheirState)
{
    ui::Menu menu;
    auto item = menu.addItem("Pin Window");
    item.setTag(7);
    item.setChecked(true);
    item.setEnabled(false);
    item.setToolTip("Keeps it on top");
    menu.addSeparator();
    menu.addItem("Quit");
    ui::Menu& more = menu.addSubmenu("More");
    more.addItem("About");

    const auto items = menu.items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].title(), "Pin Window");
    EXPECT_EQ(items[0].tag(), 7);
    EXPECT_TRUE(items[0].isChecked());
    EXPECT_FALSE(items[0].isEnabled());
    EXPECT_EQ(items[0].qtAction()->toolTip(), "Keeps it on top");
    EXPECT_EQ(menu.qtMenu().actions().size(), 4);  // with the separator and the submenu

    menu.removeAllItems();
    EXPECT_TRUE(menu.items().empty());
    item.setTitle("gone");  // a handle on a removed row does nothing
    EXPECT_EQ(item.title(), "");
}

TEST_F(MenuTest, ChoosingAnItemClosesTheMenuThenActsOnTheNextTurn)
{
    ui::Menu menu;
    std::vector<std::string> events;
    menu.onWillOpen = [&] { events.push_back("open"); };
    menu.onClosed = [&] { events.push_back("closed"); };
    menu.addItem("First", [&] { events.push_back("first"); });
    const auto second =
        menu.addItem("Second", [&] { events.push_back(ui::Menu::isAnyMenuOpen() ? "second while open" : "second"); });

    menu.popUp(core::Point{200, 900});
    EXPECT_TRUE(menu.isOpen());
    EXPECT_TRUE(ui::Menu::isAnyMenuOpen());
    EXPECT_EQ(menu.qtMenu().geometry().topLeft(), QPoint(200, 82));

    // Listed with the desktop while open, at the menus' level.
    const auto listed = desktop::windowServer().windowList(desktop::WindowListOption::onScreenOnly);
    ASSERT_TRUE(listed);
    const auto entry = std::find_if(listed->begin(), listed->end(), [](const desktop::WindowInfo& info) {
        return info.layer == desktop::level::popUpMenu;
    });
    ASSERT_NE(entry, listed->end());
    EXPECT_EQ(entry->bounds->origin, (core::Point{200, 82}));

    clickItem(menu, second);
    EXPECT_FALSE(menu.isOpen());
    EXPECT_FALSE(ui::Menu::isAnyMenuOpen());
    EXPECT_EQ(events, (std::vector<std::string>{"open", "closed", "second"}));
    const auto after = desktop::windowServer().windowList(desktop::WindowListOption::all);
    EXPECT_TRUE(std::none_of(after->begin(), after->end(),
                             [](const desktop::WindowInfo& info) { return info.layer == desktop::level::popUpMenu; }));
}

TEST_F(MenuTest, OpensBelowAPointInAViewAndClosesFromASubmenu)
{
    ui::Window bar(core::Rect(100, 500, 300, 28));  // Qt top 454
    auto* badge = new QLabel("3", &bar);
    badge->setGeometry(40, 4, 20, 20);
    bar.orderFront();

    ui::Menu menu;
    ui::Menu& sub = menu.addSubmenu("Windows");
    sub.addItem("One");
    // Four points below the bottom of the unflipped badge, at its middle.
    menu.popUp(core::Point{10, -4}, *badge, false);
    EXPECT_EQ(menu.qtMenu().geometry().topLeft(), QPoint(100 + 40 + 10, 454 + 4 + 20 + 4));

    sub.qtMenu().popup(QPoint(300, 300));
    EXPECT_TRUE(sub.isOpen());
    sub.cancelTracking();
    EXPECT_FALSE(menu.isOpen());
    EXPECT_FALSE(ui::Menu::isAnyMenuOpen());
}

TEST_F(MenuTest, APressElsewhereClosesTheMenu)
{
    ui::Window window(core::Rect(0, 0, 200, 200));
    window.orderFront();
    ui::Menu menu;
    int closed = 0;
    menu.onClosed = [&] { ++closed; };
    menu.addItem("Only");
    menu.popUp(core::Point{600, 600});
    clickAt(QPoint(50, 900));
    EXPECT_FALSE(menu.isOpen());
    EXPECT_EQ(closed, 1);
}

// Short of a panel at the right and one at the bottom, the display's work area holds the
// menu, also when its rows grow while it is open.
TEST_F(MenuTest, StaysInsideTheWorkAreaAlsoWhenItGrowsWhileOpen)
{
    auto display = world().displays().front();
    display.visibleFrame = core::Rect(0, 25, 1400, 900);
    world().removeDisplay(display.id);
    world().addDisplay(display);
    const QRect workArea(0, 25, 1400, 900);

    ui::Menu menu;
    menu.addItem("Short");
    menu.popUp(core::Point{1390, 982 - 900});
    ASSERT_TRUE(menu.isOpen());
    EXPECT_TRUE(workArea.contains(menu.qtMenu().geometry()));

    menu.addItem("A row that grew a long title after the menu opened");
    for (int row = 0; row < 8; ++row) menu.addItem("Row " + std::to_string(row));
    EXPECT_TRUE(workArea.contains(menu.qtMenu().geometry()));
}

}  // namespace
