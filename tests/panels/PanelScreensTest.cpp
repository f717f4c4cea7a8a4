#include "PanelFixture.h"

#include "panels/views/BarButton.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/views/TopBarView.h"
#include "platform/sim/SimWorld.h"

namespace {

using namespace paneltest;

class PanelScreensTest : public PanelFixture {
protected:
    void addSecondDisplay()
    {
        desktop::DisplayInfo second;
        second.id = 2;
        second.frame = {1512, 0, 1920, 1080};
        second.visibleFrame = {1512, 0, 1920, 1080};
        second.scale = 1;
        second.name = "Display 2";
        world().addDisplay(second);
    }
};

TEST_F(PanelScreensTest, ADisplayChangeResizesMovedPanelsAndDropsTheirSizeOverride)
{
    addSecondDisplay();
    addWindow(42, 501, {2000, 200, 800, 500}, "Far");
    PipPanel* staying = makePanel();
    PipPanel* moving = makePanel(501);
    staying->applySizeChoice(2.0);
    moving->applySizeChoice(2.0);
    const core::Size stayingSize = staying->frame().size;

    // The second display goes; the panel on it lands on the first.
    world().removeDisplay(2);
    moving->setFrame({1000, 300, moving->frame().width(), moving->frame().height()});
    PipPanel::handleScreenReconfiguration();

    EXPECT_EQ(staying->frame().size, stayingSize);
    EXPECT_EQ(staying->sizeOverride, std::optional<double>(2.0));
    const core::Size expected = panels::pipSize(visibleFrame, 1.2, 800.0 / 500.0);
    EXPECT_NEAR(moving->frame().width(), expected.width, 1e-9);
    EXPECT_FALSE(moving->sizeOverride);
    EXPECT_EQ(moving->content->topBar().sizeButton->text().toStdString(), "1.2×");
    EXPECT_EQ(moving->lastSizedScreenID, std::optional<desktop::DisplayID>(1));
    EXPECT_EQ(linesWith("显示器配置变化: 1 扇换屏小窗重算尺寸").size(), 1u);
    EXPECT_EQ(linesWith("显示器变化: 已自动排列 2 扇小窗（右缘竖排）").size(), 1u);

    // The re-layout is repeated 0.8 s and 2 s later, once each.
    clock().advance(2.1);
    EXPECT_EQ(linesWith("显示器变化: 已自动排列").size(), 3u);
}

TEST_F(PanelScreensTest, StrandedPanelsAreRescuedBeforeTiling)
{
    desktop::DisplayInfo parking;
    parking.id = 77;
    parking.frame = {1512, 0, 1512, 982};
    parking.visibleFrame = {1512, 0, 1512, 982};
    parking.scale = 2;
    parking.name = "Parking";
    world().addDisplay(parking);
    PipPanel::isVirtualDisplay() = [](desktop::DisplayID id) { return id == 77; };

    PipPanel* panel = makePanel();
    panel->setFrame({2000, 300, panel->frame().width(), panel->frame().height()});
    EXPECT_EQ(PipPanel::virtualScreens().size(), 1u);
    EXPECT_EQ(PipPanel::realScreens().size(), 1u);
    PipPanel::tileAll();
    EXPECT_EQ(linesWith("小窗自愈: [Notes] #500 压在虚拟屏上").size(), 1u);
    EXPECT_EQ(panel->frame().maxX(), visibleFrame.maxX() - 16);
    EXPECT_FALSE(PipPanel::hitsVirtualScreen(panel->frame()));
}

TEST_F(PanelScreensTest, TilingKeepsPanelsOffAVirtualScreenOverlappingTheRealOne)
{
    desktop::DisplayInfo parking;
    parking.id = 77;
    parking.frame = {300, 0, 1512, 982};
    parking.visibleFrame = parking.frame;
    parking.scale = 2;
    parking.name = "Parking";
    world().addDisplay(parking);
    PipPanel::isVirtualDisplay() = [](desktop::DisplayID id) { return id == 77; };
    std::vector<PipPanel*> panels{makePanel(), makePanel(), makePanel()};

    for (int corner = 0; corner < 4; ++corner) {
        defaults::Defaults::standard().set("pipWindowCorner", corner);
        PipPanel::tileAll();
        for (PipPanel* panel : panels) {
            EXPECT_FALSE(PipPanel::hitsVirtualScreen(panel->frame())) << "corner " << corner;
            EXPECT_TRUE(visibleFrame.contains(panel->frame())) << "corner " << corner;
        }
        // The three fit one column; moved off together they stay one.
        EXPECT_EQ(panels[0]->frame().minX(), panels[2]->frame().minX()) << "corner " << corner;
        EXPECT_FALSE(panels[0]->frame().intersects(panels[1]->frame())) << "corner " << corner;
        EXPECT_FALSE(panels[1]->frame().intersects(panels[2]->frame())) << "corner " << corner;
    }

    // The right-edge arrangement after a display change, and its repeats.
    for (PipPanel* panel : panels) panel->lastSizedScreenID.reset();
    PipPanel::handleScreenReconfiguration();
    clock().advance(2.1);
    EXPECT_EQ(linesWith("显示器变化: 已自动排列 3 扇小窗").size(), 3u);
    for (PipPanel* panel : panels) {
        EXPECT_FALSE(PipPanel::hitsVirtualScreen(panel->frame()));
        EXPECT_TRUE(visibleFrame.contains(panel->frame()));
    }
}

}  // namespace
