#include "panels/selector/RegionSelector.h"

#include "panels/selector/SelectorPanel.h"
#include "panels/selector/SelectorView.h"
#include "platform/sim/SimInput.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

using sim::MouseButton;

constexpr desktop::WindowID notesWindow = 500;
// The Notes window in global points, and the same in screen coordinates of the 982-pt
// high test display.
const core::Rect notesGlobal{100, 100, 800, 600};
const core::Rect notesScreen{100, 282, 800, 600};

// Records what the selector asks of the shell's hover trigger.
class FakeTrigger : public HoverTriggerHooks {
public:
    void setSuspended(bool suspended) override { suspensions.push_back(suspended); }
    std::optional<WindowHit> windowUnder(core::Point screenPoint, core::Size minSize) override
    {
        EXPECT_EQ(minSize, (core::Size{160, 120}));
        if (!hit || !hit->appkitFrame.contains(screenPoint)) return std::nullopt;
        return hit;
    }

    std::vector<bool> suspensions;
    std::optional<WindowHit> hit;
};

class RegionSelectorTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        addApp(42, "Notes", "com.example.notes");
        addWindow(42, notesWindow, notesGlobal, "Notes");
        world().setFrontmost(42);
        input = std::dynamic_pointer_cast<sim::SimInput>(desktop().input);
        ASSERT_TRUE(input);
        HoverTriggerHooks::install(trigger);
        selector = std::make_unique<selector::RegionSelector>();
        selector->onFinish = [this](desktop::WindowID id, const panels::FocusRegion& region) {
            finished.push_back({id, region});
            overlaysAtFinish = selector->isActive() || overlaysOnDesktop() > 0;
        };
    }

    void TearDown() override
    {
        selector.reset();
        HoverTriggerHooks::install(nullptr);
        testsupport::SimDesktopDiagTest::TearDown();
    }

    // Lets the 60 Hz poll see the current buttons and pointer.
    void ticks(int count = 2) { clock().advance(count / 60.0); }

    // Global points of a point given in screen coordinates.
    static core::Point global(core::Point screen) { return {screen.x, 982 - screen.y}; }

    int overlaysOnDesktop()
    {
        int count = 0;
        for (const auto& window : world().stack())
            if (window.own && window.ownVisible && window.layer == selector::RegionSelector::overlayLevel) ++count;
        return count;
    }

    std::shared_ptr<sim::SimInput> input;
    std::shared_ptr<FakeTrigger> trigger = std::make_shared<FakeTrigger>();
    std::unique_ptr<selector::RegionSelector> selector;
    std::vector<std::pair<desktop::WindowID, panels::FocusRegion>> finished;
    bool overlaysAtFinish = true;
};

TEST_F(RegionSelectorTest, ADragOverAWindowEndsOnceWithItsRegionAfterTheOverlaysAreGone)
{
    trigger->hit = HoverTriggerHooks::WindowHit{notesWindow, notesGlobal, notesScreen, "Notes"};
    // Pressed before the start: the trigger block's Option-drag.
    input->userMouseDown(MouseButton::left, global({100, 881}));
    selector->begin(std::nullopt, true);

    ASSERT_TRUE(selector->isActive());
    EXPECT_EQ(trigger->suspensions, std::vector<bool>{true});
    ASSERT_EQ(selector->panels().size(), 1u);
    EXPECT_EQ(selector->panels()[0]->level(), 1000);
    EXPECT_EQ(selector->panels()[0]->frame(), (core::Rect{0, 0, 1512, 982}));
    EXPECT_EQ(overlaysOnDesktop(), 1);
    EXPECT_EQ(linesWith("框选: 开始"),
              std::vector<std::string>{"框选: 开始 受限窗口=无 需先松开=false 左键=true 右键=false 屏=1 主屏高=982"});

    ticks();
    input->userMouseMove(global({500, 582}));
    ticks();
    EXPECT_EQ(selector->machine().selection(), (core::Rect{100, 582, 400, 299}));
    ASSERT_TRUE(selector->views()[0]);
    EXPECT_EQ(selector->views()[0]->selection, (core::Rect{100, 582, 400, 299}));
    EXPECT_EQ(selector->views()[0]->windowFrame, notesScreen);
    EXPECT_TRUE(selector->views()[0]->showHint);
    EXPECT_TRUE(finished.empty());

    input->userMouseUp(MouseButton::left, global({500, 582}));
    ticks(10);
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].first, notesWindow);
    EXPECT_NEAR(finished[0].second.x, 0, 1e-9);
    EXPECT_NEAR(finished[0].second.y, 1.0 / 600, 1e-9);
    EXPECT_NEAR(finished[0].second.w, 0.5, 1e-9);
    EXPECT_NEAR(finished[0].second.h, 299.0 / 600, 1e-9);
    EXPECT_FALSE(overlaysAtFinish);
    EXPECT_EQ(trigger->suspensions, (std::vector<bool>{true, false}));
    EXPECT_EQ(linesWith("框选: 起手选定窗口").size(), 1u);
    EXPECT_EQ(linesWith("框选: 完成 窗口=500").size(), 1u);
}

TEST_F(RegionSelectorTest, ARestrictedWindowIsTakenFromTheWindowListAndTheMenuClickMustComeUpFirst)
{
    // The window moved since the catalog's record was taken.
    world().setFrame(notesWindow, {200, 100, 800, 600});
    input->userMouseDown(MouseButton::left, global({50, 50}));
    selector->begin(shareableWindow(notesWindow), false);
    EXPECT_EQ(selector->machine().activeWindow()->appkitFrame, (core::Rect{200, 282, 800, 600}));
    EXPECT_EQ(linesWith("框选: 开始").at(0),
              "框选: 开始 受限窗口=500 需先松开=true 左键=true 右键=false 屏=1 主屏高=982");

    input->userMouseMove(global({400, 500}));
    ticks();
    EXPECT_FALSE(selector->machine().dragging()) << "still the menu click";
    input->userMouseUp(MouseButton::left, global({400, 500}));
    ticks();
    input->userMouseDown(MouseButton::left, global({400, 500}));
    ticks();
    input->userMouseMove(global({1100, 900}));
    ticks();
    input->userMouseUp(MouseButton::left, global({1100, 900}));
    ticks();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].first, notesWindow);
    // Clipped to the window (200...1000, 282...882): x 400...1000, y 500...882.
    EXPECT_NEAR(finished[0].second.x, 0.25, 1e-9);
    EXPECT_NEAR(finished[0].second.y, 0, 1e-9);
    EXPECT_NEAR(finished[0].second.w, 0.75, 1e-9);
    EXPECT_NEAR(finished[0].second.h, 382.0 / 600, 1e-9);
}

TEST_F(RegionSelectorTest, EscapeAndANewRightPressCancelWithoutAResult)
{
    // Escape typed while another application is active.
    selector->begin(shareableWindow(notesWindow), true);
    ticks();
    input->userKeyDown(desktop::key::escape);
    ticks();
    EXPECT_FALSE(selector->isActive());
    EXPECT_EQ(overlaysOnDesktop(), 0);
    EXPECT_EQ(linesWith("框选: 取消（Esc）").size(), 1u);

    // Escape typed while this application is active is swallowed.
    world().setFrontmost(world().ownPid());
    selector->begin(shareableWindow(notesWindow), true);
    input->userKeyDown(desktop::key::escape);
    ticks();
    EXPECT_FALSE(selector->isActive());
    EXPECT_EQ(linesWith("框选: 取消（Esc）").size(), 2u);

    // A right button held at the start does not cancel; a new press does.
    input->userMouseDown(MouseButton::right, global({300, 300}));
    selector->begin(shareableWindow(notesWindow), true);
    ticks();
    EXPECT_TRUE(selector->isActive());
    input->userMouseUp(MouseButton::right, global({300, 300}));
    ticks();
    input->userMouseDown(MouseButton::right, global({300, 300}));
    ticks();
    EXPECT_FALSE(selector->isActive());
    EXPECT_EQ(linesWith("框选: 取消（右键）").size(), 1u);

    // Once ended nothing is left listening: more keys and presses change nothing.
    input->userMouseUp(MouseButton::right, global({300, 300}));
    input->userMouseDown(MouseButton::right, global({300, 300}));
    input->userKeyDown(desktop::key::escape);
    ticks(30);
    EXPECT_EQ(linesWith("框选: 取消").size(), 3u);
    EXPECT_TRUE(finished.empty());
    EXPECT_EQ(trigger->suspensions, (std::vector<bool>{true, false, true, false, true, false}));
}

TEST_F(RegionSelectorTest, WithoutScreensItRefusesAndASecondBeginIsIgnored)
{
    const auto display = *world().display(1);
    ASSERT_TRUE(world().removeDisplay(1));
    selector->begin(shareableWindow(notesWindow), true);
    EXPECT_FALSE(selector->isActive());
    EXPECT_TRUE(trigger->suspensions.empty()) << "the trigger keeps working";
    EXPECT_EQ(linesWith("框选: 没有屏幕，不开始").size(), 1u);
    EXPECT_TRUE(linesWith("框选: 开始").empty());

    world().addDisplay(display);
    selector->begin(shareableWindow(notesWindow), true);
    selector->begin(std::nullopt, true);
    EXPECT_EQ(selector->panels().size(), 1u);
    EXPECT_EQ(selector->machine().activeWindow()->id, notesWindow) << "the first selection goes on";
    EXPECT_EQ(linesWith("框选: 已在框选中，忽略重复进入").size(), 1u);
    EXPECT_EQ(trigger->suspensions, std::vector<bool>{true});

    // One Escape ends it: no second set of monitors or timers is left behind.
    input->userKeyDown(desktop::key::escape);
    ticks(30);
    EXPECT_FALSE(selector->isActive());
    EXPECT_EQ(linesWith("框选: 取消").size(), 1u);
    EXPECT_EQ(trigger->suspensions, (std::vector<bool>{true, false}));
}

TEST_F(RegionSelectorTest, TheOverlayDimsTheScreenAndLeavesTheSelectionClear)
{
    selector->begin(shareableWindow(notesWindow), true);
    input->userMouseDown(MouseButton::left, global({300, 400}));
    ticks();
    input->userMouseMove(global({600, 700}));
    ticks();
    auto* view = selector->views().at(0).data();
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view->render(&image);

    // Qt rows run from the top: a screen point (x, y) is pixel (x, 982 − y).
    auto alphaAt = [&](core::Point p) { return qAlpha(image.pixel(int(p.x), int(982 - p.y))); };
    EXPECT_NEAR(alphaAt({50, 50}), 0.42 * 255, 2) << "outside the window";
    EXPECT_NEAR(alphaAt({800, 350}), 0.16 * 255, 2) << "the window, outside the selection";
    EXPECT_EQ(alphaAt({450, 550}), 0) << "the selection";
}

}  // namespace
