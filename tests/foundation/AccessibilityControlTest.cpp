#include "BridgeTest.h"

#include <limits>

namespace ax = desktop::ax;

namespace {

class AccessibilityControl : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        addApp(201, "Safari", "com.apple.Safari");
        addWindow(201, 11, core::Rect(100, 100, 800, 600));
    }

    std::vector<std::string> writtenAttributes() const
    {
        std::vector<std::string> names;
        for (const auto& line : journalOf("ax.set")) names.push_back(line["attribute"]);
        return names;
    }

    static sim::AppBehavior refusing()
    {
        sim::AppBehavior behavior;
        behavior.refuseMoves = ax::cannotComplete;
        return behavior;
    }
    static sim::AppBehavior reporting(core::Size minSize)
    {
        sim::AppBehavior behavior;
        behavior.reportMinSize = minSize;
        return behavior;
    }

    void addWindowOnAnotherSpace(desktop::Pid pid, desktop::WindowID id)
    {
        sim::SimWindow window;
        window.id = id;
        window.pid = pid;
        window.frame = core::Rect(0, 0, 400, 300);
        window.offscreen = true;
        world().addWindow(window);
    }
};

}  // namespace

TEST_F(AccessibilityControl, FrameWritesFollowTheAskedOrderAndLandTogether)
{
    EXPECT_TRUE(EventBridge::axSetWindowFrame(11, 201, core::Rect(50, 60, 700, 500), true));
    EXPECT_EQ(writtenAttributes(), (std::vector<std::string>{"AXSize", "AXPosition"}));
    EXPECT_EQ(EventBridge::axWindowFrame(11, 201), core::Rect(50, 60, 700, 500));

    EXPECT_TRUE(EventBridge::axSetWindowFrame(11, 201, core::Rect(10, 20, 640, 480), false));
    EXPECT_EQ(writtenAttributes(), (std::vector<std::string>{"AXSize", "AXPosition", "AXPosition", "AXSize"}));
    EXPECT_TRUE(diagLines().empty());
}

TEST_F(AccessibilityControl, AFailedWriteStillAttemptsTheOtherAndLogsBothResults)
{
    addApp(202, "Stubborn", "com.example.stubborn", refusing());
    addWindow(202, 21, core::Rect(0, 0, 300, 200));
    EXPECT_FALSE(EventBridge::axSetWindowFrame(21, 202, core::Rect(5, 5, 400, 300), true));
    EXPECT_EQ(writtenAttributes().size(), 2u);

    // Only the position is refused (an unusable point): the size still lands.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(EventBridge::axSetWindowFrame(11, 201, core::Rect(nan, 5, 400, 300), false));
    EXPECT_EQ(world().window(11)->frame.size, (core::Size{400, 300}));
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"AX写frame: size=-25204 pos=-25204 id=21",
                                                     "AX写frame: size=0 pos=-25201 id=11"}));
}

TEST_F(AccessibilityControl, WithoutTrustOrElementNothingIsWrittenOrLogged)
{
    EXPECT_FALSE(EventBridge::axSetWindowFrame(99, 201, core::Rect(0, 0, 10, 10), true));
    world().setAccessibilityTrusted(false);
    EXPECT_FALSE(EventBridge::axSetWindowFrame(11, 201, core::Rect(0, 0, 10, 10), true));
    EXPECT_FALSE(EventBridge::axSetWindowPosition(11, 201, {0, 0}));
    EXPECT_FALSE(EventBridge::axWindowFrame(11, 201));
    EXPECT_TRUE(journalOf("ax.set").empty());
    EXPECT_TRUE(diagLines().empty());
}

TEST_F(AccessibilityControl, PositionWriteLogsOnlyItsFailure)
{
    EXPECT_TRUE(EventBridge::axSetWindowPosition(11, 201, {30, 40}));
    addApp(202, "Stubborn", "com.example.stubborn", refusing());
    addWindow(202, 21, core::Rect(0, 0, 300, 200));
    EXPECT_FALSE(EventBridge::axSetWindowPosition(21, 202, {30, 40}));
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"AX写position: err=-25204 id=21"}));
}

TEST_F(AccessibilityControl, MinimumSizeFromTheWindowElseTheApplication)
{
    EXPECT_FALSE(EventBridge::axWindowMinSize(11, 201));

    addApp(202, "Editor", "com.example.editor", reporting({500, 400}));
    addWindow(202, 21, core::Rect(0, 0, 600, 500));
    EXPECT_EQ(EventBridge::axWindowMinSize(21, 202), (core::Size{500, 400}));
    // A window out of reach of accessibility still gets its application's minimum.
    addWindowOnAnotherSpace(202, 22);
    EXPECT_EQ(EventBridge::axWindowMinSize(22, 202), (core::Size{500, 400}));

    addApp(203, "Zero", "com.example.zero", reporting({0, 0}));
    addWindow(203, 31, core::Rect(0, 0, 600, 500));
    EXPECT_FALSE(EventBridge::axWindowMinSize(31, 203));
}

TEST_F(AccessibilityControl, MinimisedStateOnlyWhereItCanBeTold)
{
    EXPECT_EQ(EventBridge::windowMinimizedState(11, 201), false);
    world().setMinimized(11, true);
    EXPECT_EQ(EventBridge::windowMinimizedState(11, 201), true);
    EXPECT_FALSE(EventBridge::windowMinimizedState(11, 0));
    addWindowOnAnotherSpace(201, 12);
    EXPECT_FALSE(EventBridge::windowMinimizedState(12, 201));
    world().setAccessibilityTrusted(false);
    EXPECT_FALSE(EventBridge::windowMinimizedState(11, 201));
}

TEST_F(AccessibilityControl, RaiseLogsItsResultOrTheMissingElement)
{
    EventBridge::raiseWindow(201, 11);
    EventBridge::raiseWindow(201, 99);
    EventBridge::raiseWindow(999, 11);
    ASSERT_EQ(journalOf("ax.action").size(), 1u);
    EXPECT_EQ(journalOf("ax.action")[0]["window"], 11);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{
                               "raiseWindow: pid=201 windowID=11 结果=0",
                               "raiseWindow: 窗口元素未找到 pid=201 windowID=99",
                               "AX窗口列表读取失败: err=-25202 pid=999",
                               "raiseWindow: 窗口元素未找到 pid=999 windowID=11",
                           }));
}

TEST_F(AccessibilityControl, TrustCheckPromptsAndLogsOnlyWhenUntrusted)
{
    EXPECT_TRUE(EventBridge::ensureAccessibility(true));
    world().setAccessibilityTrusted(false);
    EXPECT_FALSE(EventBridge::ensureAccessibility(true));
    EXPECT_FALSE(EventBridge::ensureAccessibility(false));
    EXPECT_EQ(journalOf("ax.prompt").size(), 1u);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"辅助功能未授权，已弹原生授权框 prompt=true",
                                                     "辅助功能未授权，已弹原生授权框 prompt=false"}));
}
