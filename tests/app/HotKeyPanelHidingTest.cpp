#include "app/HotKeyPanelHiding.h"
#include "panels/PanelFixture.h"
#include "panels/views/PreviewPanel.h"

#include <gtest/gtest.h>

namespace {

using namespace paneltest;

class HotKeyPanelHidingTest : public PanelFixture {
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        addWindow(42, 501, {200, 150, 700, 500}, "Notes 2");
        addWindow(42, 502, {300, 200, 600, 400}, "Notes 3");
    }

    void TearDown() override
    {
        while (!PipPanel::all().empty()) PipPanel::all().back()->closePanel(false);
        // Restores of a taken-over window run out while the desktop is still there.
        clock().advance(3);
        PanelFixture::TearDown();
    }

    std::vector<bool> visibility() const
    {
        std::vector<bool> shown;
        for (PipPanel* panel : PipPanel::all()) shown.push_back(panel->isVisible());
        return shown;
    }

    app::HotKeyPanelHiding hiding;
};

TEST_F(HotKeyPanelHidingTest, AHoldHidesEveryPanelAndBringsBackOnlyThoseThatWereShownAndStillExist)
{
    makePanel(sourceID);
    PipPanel* hiddenBefore = makePanel(501);
    PipPanel* closedMeanwhile = makePanel(502);
    hiddenBefore->orderOut();

    hiding.beginHoldHide();
    EXPECT_TRUE(hiding.holdActive());
    EXPECT_EQ(visibility(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(linesWith("按住热键"), std::vector<std::string>{"按住热键: 临时收起 2/3 个小窗（松开恢复）"});
    hiding.beginHoldHide();  // a second press while active changes nothing
    EXPECT_EQ(linesWith("临时收起").size(), 1u);

    closedMeanwhile->closePanel(false);
    clock().runUntilIdle();
    hiding.endHoldHide();
    EXPECT_FALSE(hiding.holdActive());
    EXPECT_TRUE(hiding.holdRestoreList().empty());
    EXPECT_EQ(visibility(), (std::vector<bool>{true, false}));
    EXPECT_EQ(linesWith("松开 ⇒ 恢复 "),
              std::vector<std::string>{"按住热键: 松开 ⇒ 恢复 1 个小窗（本来就没显示的不动）"});
    hiding.endHoldHide();
    EXPECT_EQ(linesWith("松开 ⇒ 恢复 ").size(), 1u);
}

TEST_F(HotKeyPanelHidingTest, TheToggleHidesAllWhenAnyIsShownElseShowsAllAndEndsAHoldFirst)
{
    makePanel(sourceID);
    makePanel(501);
    makePanel(502)->orderOut();

    hiding.togglePanelsVisibility();
    EXPECT_EQ(visibility(), (std::vector<bool>{false, false, false}));
    hiding.togglePanelsVisibility();
    EXPECT_EQ(visibility(), (std::vector<bool>{true, true, true}));

    // Held: the held-back panels come back first, so some are visible and all hide.
    PipPanel::all()[2]->orderOut();
    hiding.beginHoldHide();
    hiding.togglePanelsVisibility();
    EXPECT_FALSE(hiding.holdActive());
    EXPECT_EQ(linesWith("按住热键: 松开 ⇒ 恢复 2 个小窗").size(), 1u);
    EXPECT_EQ(visibility(), (std::vector<bool>{false, false, false}));
}

TEST_F(HotKeyPanelHidingTest, HidingLeavesAPinnedPreviewSoTheTakenOverWindowGoesBack)
{
    PipPanel* panel = makePanel(sourceID);
    // A click on the picture pins it after the single-click delay.
    click(at(*panel, panel->frame().width() / 2, panel->frame().height() / 2 + 10));
    clock().advance(0.25);
    clock().runUntilIdle();
    ASSERT_TRUE(panel->pinSession->pinned);
    ASSERT_TRUE(panel->pinSession->takeoverActive);
    clock().advance(0.5);
    ASSERT_NE(world().window(sourceID)->frame, (core::Rect{100, 100, 800, 600}));

    hiding.beginHoldHide();
    clock().advance(0.5);
    EXPECT_FALSE(panel->pinSession->pinned);
    EXPECT_FALSE(panel->pinSession->takeoverActive);
    EXPECT_EQ(pin::PinSession::pinnedSession(), nullptr);
    EXPECT_EQ(world().window(sourceID)->frame, (core::Rect{100, 100, 800, 600}));
    EXPECT_FALSE(panel->hoverPreview->previewPanel && panel->hoverPreview->previewPanel->isVisible());
    hiding.endHoldHide();

    // The toggle's hiding does the same.
    click(at(*panel, panel->frame().width() / 2, panel->frame().height() / 2 + 10));
    clock().advance(0.25);
    clock().runUntilIdle();
    ASSERT_TRUE(panel->pinSession->pinned);
    hiding.togglePanelsVisibility();
    clock().advance(0.5);
    EXPECT_FALSE(panel->pinSession->pinned);
    EXPECT_EQ(world().window(sourceID)->frame, (core::Rect{100, 100, 800, 600}));
}

}  // namespace
