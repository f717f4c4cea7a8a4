#include "PanelFixture.h"

#include "panels/views/BarButton.h"
#include "panels/views/TopBarView.h"
#include "platform/ui/Menu.h"

#include <QLabel>
#include <QMenu>

namespace {

using namespace paneltest;

class TopBarViewTest : public PanelFixture {
protected:
    // Picks a row of an open menu with the mouse.
    void choose(ui::Menu& menu, const std::string& title)
    {
        for (const auto& item : menu.items()) {
            if (item.title() != title) continue;
            const QMenu& qtMenu = menu.qtMenu();
            const QPoint global = qtMenu.geometry().topLeft() + qtMenu.actionGeometry(item.qtAction()).center();
            const core::Point point{1.0 * global.x(), screenHeight - global.y()};
            post(desktop::EventType::leftMouseDown, point);
            post(desktop::EventType::leftMouseUp, point);
            return;
        }
        ADD_FAILURE() << "no row " << title;
    }
};

std::vector<std::string> titles(const ui::Menu& menu)
{
    std::vector<std::string> result;
    for (const auto& item : menu.items()) result.push_back(item.title());
    return result;
}

TEST_F(TopBarViewTest, BadgesKeepTheirMinimumWidthsAndANarrowTitleHides)
{
    views::TopBarView bar;
    bar.resize(400, 28);
    bar.show();
    EXPECT_EQ(bar.sizeButton->geometry().x(), 48);
    EXPECT_GE(bar.sizeButton->width(), 44);
    EXPECT_EQ(bar.rateButton->x(), bar.sizeButton->geometry().right() + 1 + 3);
    EXPECT_GE(bar.opacityButton->width(), 32);
    bar.baseTitle = "Notes · A long window title";
    bar.paused = true;
    bar.refreshTitle();
    EXPECT_EQ(bar.titleText(), "Notes · A long window title  〔已暂停〕");
    EXPECT_FALSE(bar.titleLabel->isHidden());

    const int titleX = bar.opacityButton->geometry().right() + 1 + 5;
    bar.resize(titleX + 8 + 39, 28);  // 39 pt left for the title
    EXPECT_TRUE(bar.titleLabel->isHidden());
    bar.resize(titleX + 8 + 40, 28);
    EXPECT_FALSE(bar.titleLabel->isHidden());
}

// A window's title is whatever its application set: markup in it is drawn as written.
TEST_F(TopBarViewTest, TheTitleIsDrawnAsWritten)
{
    views::TopBarView bar;
    bar.resize(700, 28);
    bar.show();
    bar.baseTitle = "xterm · <img src=\"/dev/null\"><b>x</b>";
    bar.refreshTitle();
    EXPECT_EQ(bar.titleLabel->textFormat(), Qt::PlainText);
    EXPECT_EQ(bar.titleLabel->text().toStdString(), "xterm · <img src=\"/dev/null\"><b>x</b>");
}

TEST_F(TopBarViewTest, MenusCheckTheValueInEffectAndHandOverTheirTags)
{
    views::TopBarView bar;
    bar.resize(400, 28);
    std::vector<double> opacities;
    std::vector<int> rates;
    bar.onOpacityChange = [&](double value) { opacities.push_back(value); };
    bar.onFrameRateChange = [&](int fps) { rates.push_back(fps); };

    bar.setOpacityBadge(0.855, 1.0);
    EXPECT_EQ(bar.opacityButton->text().toStdString(), "86%");
    bar.showOpacityMenu();
    ASSERT_TRUE(bar.lastMenu());
    EXPECT_TRUE(views::TopBarView::menuOpen);
    const auto rows = bar.lastMenu()->items();
    std::vector<std::string> checked;
    for (const auto& row : rows)
        if (row.isChecked()) checked.push_back(row.title());
    EXPECT_EQ(checked, std::vector<std::string>{"85%"});
    EXPECT_EQ(titles(*bar.lastMenu()).back(), "设置当前值为默认");

    // The restore row hands over -1, after the menu closed.
    choose(*bar.lastMenu(), "恢复默认（100%）");
    clock().runUntilIdle();
    EXPECT_FALSE(views::TopBarView::menuOpen);
    EXPECT_EQ(opacities, std::vector<double>{-1.0});

    bar.setRateBadge(24, 30);
    bar.showRateMenu();
    choose(*bar.lastMenu(), "恢复默认（30 fps）");
    clock().runUntilIdle();
    EXPECT_EQ(rates, std::vector<int>{0});
}

TEST_F(TopBarViewTest, AMenuRowOfAClosedPanelDoesNothing)
{
    PipPanel* panel = makePanel();
    views::TopBarView& bar = panel->content->topBar();
    bar.showRateMenu();
    // The row is picked while the panel closes.
    choose(*bar.lastMenu(), "60 fps");
    panel->closePanel(false);
    clock().runUntilIdle();
    EXPECT_TRUE(linesWith("小窗帧率: ").empty());
}

}  // namespace
