#include "PanelFixture.h"

#include "panels/views/BarButton.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/views/TopBarView.h"
#include "platform/sim/SimDisplays.h"
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

// The simulated displays, judged as X11's are: a display resized in place keeps its id.
class ResizeCountingDisplays : public sim::SimDisplays {
public:
    using sim::SimDisplays::SimDisplays;
    bool resizeCountsAsNewScreen() const override { return true; }
    std::vector<desktop::DisplayInfo> activeDisplays() override
    {
        auto displays = SimDisplays::activeDisplays();
        for (auto& display : displays) display.visibleFrame.size.width -= dockWidth;
        return displays;
    }

    // Taken from the right of each work area, as a dock starting does.
    double dockWidth = 0;
};

class ResizedScreenTest : public PanelScreensTest {
protected:
    void SetUp() override
    {
        PanelScreensTest::SetUp();
        simDisplays_ = desktop().displays;
        desktop().displays = std::make_shared<ResizeCountingDisplays>(worldPtr());
    }

    void TearDown() override
    {
        desktop().displays = simDisplays_;
        PanelScreensTest::TearDown();
    }

    // The first display at a new size, its menu bar kept.
    void resizeFirstDisplay(double width, double height)
    {
        world().setDisplayFrame(1, {0, 0, width, height});
        PipPanel::handleScreenReconfiguration();
    }

    static core::Rect visibleFrameOf(double width, double height) { return {0, 0, width, height - 25}; }

    ResizeCountingDisplays& displays() { return static_cast<ResizeCountingDisplays&>(*desktop().displays); }

private:
    std::shared_ptr<desktop::Displays> simDisplays_;
};

TEST_F(PanelScreensTest, TheSimulatedDesktopJudgesAResizedScreenByItsIdAlone)
{
    PipPanel* panel = makePanel();
    const core::Rect before = panel->frame();
    world().setDisplayFrame(1, {0, 0, 1024, 640});
    PipPanel::handleScreenReconfiguration();
    EXPECT_EQ(panel->frame(), before);
    EXPECT_TRUE(linesWith("显示器配置变化").empty());
}

TEST_F(ResizedScreenTest, ShrinkingAndGrowingBackSizesEveryPanelForTheScreenAndArrangesIt)
{
    addWindow(42, 501, {900, 500, 400, 600}, "Tall");
    PipPanel* wide = makePanel();
    PipPanel* tall = makePanel(501);
    wide->applySizeChoice(1.5);
    const core::Size tallSize = tall->frame().size;

    resizeFirstDisplay(1024, 640);
    const core::Rect small = visibleFrameOf(1024, 640);
    EXPECT_NEAR(wide->frame().width(), panels::pipSize(small, 1.2, 800.0 / 600.0).width, 1e-9);
    EXPECT_NEAR(tall->frame().height(), panels::pipSize(small, 1.2, 400.0 / 600.0).height, 1e-9);
    for (PipPanel* panel : {wide, tall}) {
        EXPECT_TRUE(small.contains(panel->frame()));
        EXPECT_EQ(panel->lastSizedScreenFrame, core::Rect(0, 0, 1024, 640));
    }
    EXPECT_EQ(linesWith("显示器配置变化: 2 扇换屏小窗重算尺寸").size(), 1u);
    clock().advance(2.1);
    EXPECT_EQ(linesWith("显示器变化: 已自动排列 2 扇小窗").size(), 3u);

    // The default size again where the panel had it; the override is gone with the resize.
    resizeFirstDisplay(1512, 982);
    EXPECT_NEAR(tall->frame().width(), tallSize.width, 1e-9);
    EXPECT_NEAR(tall->frame().height(), tallSize.height, 1e-9);
    EXPECT_NEAR(wide->frame().width(), panels::pipSize(visibleFrame, 1.2, 800.0 / 600.0).width, 1e-9);
    EXPECT_FALSE(wide->sizeOverride);
    for (PipPanel* panel : {wide, tall}) {
        EXPECT_TRUE(visibleFrame.contains(panel->frame()));
        EXPECT_EQ(panel->frame().maxX(), visibleFrame.maxX() - 16);
    }
}

TEST_F(ResizedScreenTest, APanelHiddenAtTheChangeIsLaidOutWhenItShowsAgain)
{
    PipPanel* shown = makePanel();
    PipPanel* hidden = makePanel();
    const core::Size fullSize = hidden->frame().size;
    hidden->orderOut();

    resizeFirstDisplay(1024, 640);
    const core::Rect small = visibleFrameOf(1024, 640);
    EXPECT_TRUE(small.contains(shown->frame()));
    EXPECT_EQ(hidden->frame().size, fullSize);

    hidden->orderFront();
    clock().runUntilIdle();
    EXPECT_TRUE(small.contains(hidden->frame()));
    EXPECT_NEAR(hidden->frame().width(), shown->frame().width(), 1e-9);
    // Both in one column along the right edge.
    EXPECT_EQ(hidden->frame().maxX(), shown->frame().maxX());
    EXPECT_FALSE(hidden->frame().intersects(shown->frame()));

    // Hidden through a change and its undoing: nothing to catch up with.
    hidden->orderOut();
    resizeFirstDisplay(1512, 982);
    resizeFirstDisplay(1024, 640);
    const std::size_t layouts = linesWith("显示器变化: 已自动排列").size();
    const core::Rect before = hidden->frame();
    hidden->orderFront();
    clock().runUntilIdle();
    EXPECT_EQ(hidden->frame(), before);
    EXPECT_EQ(linesWith("显示器变化: 已自动排列").size(), layouts + 0);
}

TEST_F(ResizedScreenTest, APanelLeftPartlyOffEveryScreenIsArrangedOntoTheNearest)
{
    addSecondDisplay();
    PipPanel* straddling = makePanel();
    PipPanel* beyond = makePanel();
    const core::Size size = straddling->frame().size;
    straddling->setFrame({1400, 300, size.width, size.height});
    beyond->setFrame({3600, 500, size.width, size.height});

    world().removeDisplay(2);
    PipPanel::handleScreenReconfiguration();
    for (PipPanel* panel : {straddling, beyond}) {
        EXPECT_TRUE(visibleFrame.contains(panel->frame()))
            << panel->frame().minX() << "," << panel->frame().minY();
    }
    // The straddling panel stayed on its screen: moved, not resized.
    EXPECT_EQ(straddling->frame().size, size);
}

// A tray or dock that comes or goes changes the work area alone: no panel is resized or
// arranged again; one the new work area no longer holds moves just inside it.
TEST_F(ResizedScreenTest, AWorkAreaChangeAloneMovesOnlyWhatItNoLongerHolds)
{
    PipPanel* placed = makePanel();
    PipPanel* atTheEdge = makePanel();
    const core::Size size = placed->frame().size;
    placed->setFrame({438, 300, size.width, size.height});
    atTheEdge->setFrame({visibleFrame.maxX() - size.width, 400, size.width, size.height});

    displays().dockWidth = 60;
    PipPanel::handleScreenReconfiguration();
    EXPECT_EQ(placed->frame(), core::Rect(438, 300, size.width, size.height));
    EXPECT_EQ(atTheEdge->frame(), core::Rect(visibleFrame.maxX() - 60 - size.width, 400, size.width, size.height));
    EXPECT_TRUE(linesWith("显示器配置变化").empty());

    // Gone again: nothing to move back.
    displays().dockWidth = 0;
    PipPanel::handleScreenReconfiguration();
    EXPECT_EQ(placed->frame(), core::Rect(438, 300, size.width, size.height));
    EXPECT_EQ(atTheEdge->frame().maxX(), visibleFrame.maxX() - 60);
    clock().advance(2.1);
    EXPECT_TRUE(linesWith("显示器变化: 已自动排列").empty());
}

}  // namespace
