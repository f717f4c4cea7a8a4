#include "platform/desktop/Desktop.h"
#include "platform/ui/Menu.h"
#include "platform/ui/MenuWidget.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

namespace {

using Entry = ui::OpenMenuEntry;
using TitleRun = ui::TitleRun;

class MenuListingTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
    }
};

// A row that counts the clicks it gets, as the status menu's rows do.
class ClickRow : public QLabel {
public:
    using QLabel::QLabel;
    int clicks = 0;

protected:
    void mouseReleaseEvent(QMouseEvent*) override { ++clicks; }
};

TEST_F(MenuListingTest, OpenMenusListTheirEntriesFrontToBack)
{
    ui::Menu menu;
    auto red = menu.addItem("屏幕录制权限未授权(点击授权)");
    red.setStyledTitle({TitleRun{"屏幕录制权限未授权(点击授权)", TitleRun::Weight::regular, TitleRun::Color::red}});
    menu.addSeparator();
    menu.addCustomRow(new QLabel("hint"), "点击窗口创建应用小窗");
    auto& more = menu.addSubmenu("（共 6 个窗口）");
    more.supermenuItem().setStyledTitle({TitleRun{"更多", TitleRun::Weight::bold}, TitleRun{"（共 6 个窗口）"}});
    more.addItem("Inside");
    auto count = menu.addItem("当前迷你窗：0 个");
    count.setEnabled(false);
    auto settings = menu.addItem("设置…");
    settings.setKeyEquivalent(",");

    EXPECT_EQ(red.title(), "屏幕录制权限未授权(点击授权)");
    EXPECT_EQ(more.supermenuItem().title(), "（共 6 个窗口）") << "the plain title stays";
    EXPECT_EQ(more.supermenuItem().shownTitle(), "更多（共 6 个窗口）");
    EXPECT_EQ(settings.keyEquivalent(), ",");
    EXPECT_FALSE(ui::Menu::isAnyMenuOpen());
    EXPECT_TRUE(ui::Menu::openMenus().empty());

    menu.popUp(core::Point(100, 800));
    clock().runUntilIdle();
    auto open = ui::Menu::openMenus();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].frame.minX(), 100);
    EXPECT_EQ(open[0].frame.minY(), 982 - 800);
    const std::vector<Entry> expected = {
        {Entry::Kind::item, "屏幕录制权限未授权(点击授权)", true, false},
        {Entry::Kind::separator, "", true, false},
        {Entry::Kind::view, "点击窗口创建应用小窗", true, false},
        {Entry::Kind::item, "更多（共 6 个窗口）", true, true},
        {Entry::Kind::item, "当前迷你窗：0 个", false, false},
        {Entry::Kind::item, "设置…", true, false},
    };
    EXPECT_EQ(open[0].entries, expected);

    const QImage shot = menu.qtMenu().grab().toImage();
    const auto redIn = [&](const ui::MenuItem& item) {
        const QRect place = menu.qtMenu().actionGeometry(item.qtAction());
        for (int y = place.top(); y <= place.bottom(); ++y)
            for (int x = place.left(); x <= place.right(); ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                if (pixel.red() > 200 && pixel.green() < 120 && pixel.blue() < 120) return true;
            }
        return false;
    };
    EXPECT_TRUE(redIn(red)) << "the red item's text";
    EXPECT_FALSE(redIn(count));
    // Styled titles keep the menu's font size: their rows are as tall as a plain one.
    for (const auto& styled : {red, more.supermenuItem()})
        EXPECT_EQ(menu.qtMenu().actionGeometry(styled.qtAction()).height(),
                  menu.qtMenu().actionGeometry(count.qtAction()).height());

    // Choosing the submenu's item opens it in front.
    EXPECT_TRUE(ui::Menu::chooseInFrontMenu("更多（共 6 个窗口）"));
    clock().runUntilIdle();
    open = ui::Menu::openMenus();
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].entries, std::vector<Entry>({{Entry::Kind::item, "Inside", true, false}}));
    EXPECT_EQ(open[0].frame.minX(), open[1].frame.maxX()) << "beside its item";

    menu.cancelTracking();
    EXPECT_FALSE(ui::Menu::isAnyMenuOpen());
}

TEST_F(MenuListingTest, ChoosingByTitleClicksItemsAndRowsInTheFrontMenu)
{
    EXPECT_FALSE(ui::Menu::chooseInFrontMenu("Quit")) << "no menu open";
    ui::Menu menu;
    int quits = 0;
    int disabled = 0;
    menu.addItem("Quit", [&] { ++quits; });
    menu.addItem("Off", [&] { ++disabled; }).setEnabled(false);
    auto* row = new ClickRow("Editor · notes");
    row->setMinimumSize(200, 40);
    menu.addCustomRow(row, "Editor · notes");

    menu.popUp(core::Point(100, 800));
    clock().runUntilIdle();
    EXPECT_FALSE(ui::Menu::chooseInFrontMenu("Nothing like it"));
    EXPECT_TRUE(ui::Menu::chooseInFrontMenu("Editor · notes"));
    clock().runUntilIdle();
    EXPECT_EQ(row->clicks, 1) << "the row gets the click and acts itself";
    EXPECT_TRUE(menu.isOpen()) << "the row closes the menu itself, this one does not";

    EXPECT_TRUE(ui::Menu::chooseInFrontMenu("Off"));
    clock().runUntilIdle();
    EXPECT_EQ(disabled, 0);

    EXPECT_TRUE(ui::Menu::chooseInFrontMenu("Quit"));
    clock().runUntilIdle();
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(menu.isOpen());
}

TEST_F(MenuListingTest, TheCommandKeyEquivalentChoosesTheItemWhileOpen)
{
    ui::Menu menu;
    int settings = 0;
    menu.addItem("Other");
    menu.addItem("设置…", [&] { ++settings; }).setKeyEquivalent(",");
    menu.popUp(core::Point(100, 800));
    clock().runUntilIdle();

    QKeyEvent plain(QEvent::KeyPress, Qt::Key_Comma, Qt::NoModifier, ",");
    QApplication::sendEvent(&menu.qtMenu(), &plain);
    clock().runUntilIdle();
    EXPECT_EQ(settings, 0);
    EXPECT_TRUE(menu.isOpen());

    QKeyEvent command(QEvent::KeyPress, Qt::Key_Comma, Qt::ControlModifier, ",");
    QApplication::sendEvent(&menu.qtMenu(), &command);
    EXPECT_FALSE(menu.isOpen()) << "closed before the action runs";
    clock().runUntilIdle();
    EXPECT_EQ(settings, 1);
}

// The menu shows a key equivalent as the caller writes it ("Strg+," on a German desktop),
// else as the toolkit does.
TEST_F(MenuListingTest, AKeyEquivalentIsShownInTheCallersWords)
{
    struct StyleProbe : ui::MenuWidget {
        using ui::MenuWidget::initStyleOption;
    } probe;
    QAction* settings = probe.addAction("设置…");
    settings->setShortcut(QKeySequence("Ctrl+,"));
    const auto painted = [&] {
        QStyleOptionMenuItem option;
        probe.initStyleOption(&option, settings);
        return option.text.toStdString();
    };
    EXPECT_EQ(painted(), "设置…\tCtrl+,");
    ui::MenuWidget::setKeyEquivalentText(*settings, "Strg+,");
    EXPECT_EQ(painted(), "设置…\tStrg+,");

    ui::Menu menu;
    auto item = menu.addItem("设置…");
    item.setKeyEquivalent(",", "Strg+,");
    EXPECT_EQ(item.keyEquivalent(), ",");
    EXPECT_EQ(item.shownKeyEquivalent(), "Strg+,");
    item.setKeyEquivalent(",");
    EXPECT_EQ(item.shownKeyEquivalent(), "Ctrl+,");
    item.setKeyEquivalent("", "Strg+,");
    EXPECT_EQ(item.shownKeyEquivalent(), "");
}

TEST_F(MenuListingTest, PopUpReportsTheEndOfEachOpening)
{
    ui::Menu menu;
    menu.addItem("Quit");
    int closed = 0;
    ASSERT_TRUE(menu.popUp(core::Point(100, 800), [&] { ++closed; }));
    clock().runUntilIdle();
    EXPECT_EQ(closed, 0);
    menu.cancelTracking();
    EXPECT_EQ(closed, 0) << "on the main queue";
    clock().runUntilIdle();
    EXPECT_EQ(closed, 1);

    {
        ui::Menu gone;
        gone.addItem("Quit");
        ASSERT_TRUE(gone.popUp(core::Point(100, 800), [&] { ++closed; }));
    }
    clock().runUntilIdle();
    EXPECT_EQ(closed, 2) << "a menu deleted while open still reports";
}

}  // namespace
