#include "platform/ui/StatusItem.h"

#include "platform/desktop/Desktop.h"
#include "platform/sim/Compositor.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Menu.h"
#include "platform/ui/TemplateImage.h"
#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

class StatusItemTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
    }

    void clickAt(core::Point global)
    {
        for (const auto type : {desktop::EventType::leftMouseDown, desktop::EventType::leftMouseUp}) {
            desktop::Event event;
            event.type = type;
            event.location = global;
            event.clickState = 1;
            desktop::input().postEvent(event);
        }
        clock().runUntilIdle();
    }
};

TEST_F(StatusItemTest, ItemsPackLeftwardsFromTheRightEdgeOfTheMenuBar)
{
    ui::StatusItem first;
    first.setTitle("PIP");
    ui::StatusItem second;
    second.setImage(ui::TemplateImage::named("GlimraMenuBar"), {17, 16});

    // The test display is 1512 × 982 points with a 25-point menu bar.
    const core::Rect a = first.frame();
    const core::Rect b = second.frame();
    EXPECT_EQ(a.maxX(), 1512 - 8);
    EXPECT_EQ(a.minY(), 982 - 25);
    EXPECT_EQ(a.height(), 25);
    EXPECT_GT(a.width(), 12);
    EXPECT_EQ(b.maxX(), a.minX()) << "the second item left of the first";
    EXPECT_EQ(b.width(), 17 + 12);

    first.setTitle("A much longer title");
    EXPECT_GT(first.frame().width(), a.width());
    EXPECT_EQ(second.frame().maxX(), first.frame().minX()) << "a wider item pushes the others left";

    const auto windows = world().stack();
    const auto own = std::count_if(windows.begin(), windows.end(), [](const sim::SimWindow& window) {
        return window.own && window.layer == desktop::level::statusBar;
    });
    EXPECT_EQ(own, 2);
    ASSERT_EQ(ui::StatusItem::all().size(), 2u);
    EXPECT_EQ(ui::StatusItem::all()[0], &first);
}

TEST_F(StatusItemTest, WithoutAMenuBarBandTheStripIs24PointsHigh)
{
    auto display = world().displays().front();
    display.visibleFrame = display.frame;
    world().removeDisplay(display.id);
    world().addDisplay(display);
    ui::StatusItem item;
    item.setTitle("PIP");
    EXPECT_EQ(item.frame().height(), 24);
    EXPECT_EQ(item.frame().maxY(), display.frame.height());
}

TEST_F(StatusItemTest, AClickPopsTheMenuUpUnderTheItemAndReportsItsClosing)
{
    ui::StatusItem item;
    item.setTitle("PIP");
    int done = 0;
    EXPECT_FALSE(item.performClick([&] { ++done; })) << "no menu";
    clock().runUntilIdle();
    EXPECT_EQ(done, 1);

    ui::Menu menu;
    menu.addItem("Quit");
    item.setMenu(&menu);
    EXPECT_TRUE(item.performClick([&] { ++done; }));
    clock().runUntilIdle();
    ASSERT_TRUE(menu.isOpen());
    EXPECT_EQ(done, 1) << "not before the menu closes";
    const auto open = ui::Menu::openMenus();
    ASSERT_EQ(open.size(), 1u);
    const core::Rect under = item.frame();
    EXPECT_EQ(open[0].frame.maxX(), 1512) << "at the item, shifted left to stay on the display";
    EXPECT_LT(open[0].frame.minX(), under.minX());
    EXPECT_EQ(open[0].frame.minY(), 25) << "just below the menu bar (global)";

    EXPECT_FALSE(item.performClick([&] { ++done; })) << "already open";
    clock().runUntilIdle();
    EXPECT_EQ(done, 2);

    menu.cancelTracking();
    clock().runUntilIdle();
    EXPECT_EQ(done, 3);
}

TEST_F(StatusItemTest, ThePointerOpensTheMenuAndTheItemShowsOverTheMenuBar)
{
    ui::StatusItem item;
    item.setImage(ui::TemplateImage::named("GlimraMenuBar"));
    EXPECT_EQ(item.imageSize(), core::Size(17, 16)) << "its own size";
    ui::Menu menu;
    menu.addItem("Quit");
    item.setMenu(&menu);

    const QRect qt = ui::qtGeometry(item.frame());
    clickAt({qt.center().x() + 0.5, qt.center().y() + 0.5});
    EXPECT_TRUE(menu.isOpen());
    menu.cancelTracking();
    clock().runUntilIdle();

    const std::string png = home() + "/desktop.png";
    ASSERT_TRUE(sim::writeDesktopPng(world(), std::nullopt, png));
    const QImage shot(QString::fromStdString(png));
    // The image starts 6 points in and stands centred in the 25-point strip: its small
    // picture (8..13 × 7..11 of 17 × 16) is solid, the screen around it hollow.
    const QColor ink = QGuiApplication::palette().color(QPalette::WindowText);
    const QColor picture = shot.pixelColor(qt.x() + 6 + 10, qt.y() + 5 + 9);
    const QColor hollow = shot.pixelColor(qt.x() + 6 + 5, qt.y() + 5 + 6);
    EXPECT_LT(std::abs(picture.red() - ink.red()) + std::abs(picture.green() - ink.green()) +
                  std::abs(picture.blue() - ink.blue()),
              30)
        << "the item's image over the bar, in the palette's text colour";
    EXPECT_NE(hollow, picture);
}

}  // namespace
