#include "BridgeTest.h"

#include "parking/WindowParking.h"
#include "platform/defaults/Defaults.h"

namespace {

class Focus : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        addApp(201, "Safari", bundle);
        addWindow(201, 11, core::Rect(100, 100, 800, 600));
    }

    desktop::ShareableWindow window(desktop::WindowID id = 11, desktop::Pid pid = 201)
    {
        return shareable(id, pid, bundle, core::Rect(100, 100, 800, 600));
    }
    std::vector<desktop::Pid> activated() const
    {
        std::vector<desktop::Pid> pids;
        for (const auto& line : journalOf("app.activate")) pids.push_back(line["pid"]);
        return pids;
    }

    const std::string bundle = "com.apple.Safari";
};

}  // namespace

TEST_F(Focus, AnOnScreenWindowOnlyActivatesItsApplicationAndReportsLater)
{
    EventBridge::focus(window());
    EXPECT_EQ(activated(), (std::vector<desktop::Pid>{201}));
    // Parking brought nothing back, so nothing is raised or un-minimised.
    EXPECT_TRUE(journalOf("ax.action").empty());
    EXPECT_TRUE(journalOf("ax.set").empty());
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"focus: id=11 onScreen=true pid=201"}));

    clock().advance(0.34);
    EXPECT_EQ(diagLines().size(), 1u);
    clock().advance(0.01);
    EXPECT_EQ(diagLines().back(), "focus 结果: 前台=com.apple.Safari 目标=com.apple.Safari 命中=true");
}

TEST_F(Focus, AMinimisedWindowIsRestoredBeforeActivation)
{
    world().setMinimized(11, true);
    EventBridge::focus(window());
    EXPECT_FALSE(world().window(11)->minimized);
    EXPECT_EQ(diagLines(),
              (std::vector<std::string>{"focus: id=11 onScreen=false pid=201", "还原最小化窗口: id=11 结果=0"}));
}

TEST_F(Focus, AnOffScreenWindowThatCannotBeRestoredSaysWhy)
{
    sim::SimWindow elsewhere;
    elsewhere.id = 12;
    elsewhere.pid = 201;
    elsewhere.frame = core::Rect(0, 0, 300, 200);
    elsewhere.offscreen = true;
    world().addWindow(elsewhere);
    addWindow(201, 13, core::Rect(0, 0, 300, 200));
    EventBridge::focus(window(12));
    world().setAccessibilityTrusted(false);
    EventBridge::focus(window(12));
    const auto lines = diagLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "还原窗口失败: AX 列表(2个[13, 11])中无 id=12");
    EXPECT_EQ(lines[3], "还原窗口失败: 无辅助功能权限 id=12");
    EXPECT_EQ(activated(), (std::vector<desktop::Pid>{201, 201}));
}

TEST_F(Focus, TheOwningInstanceIsActivatedWhenTheApplicationRunsTwice)
{
    addApp(202, "Safari", bundle);
    addWindow(202, 21, core::Rect(200, 200, 600, 400));
    EventBridge::focus(window(21, 202));
    EXPECT_EQ(activated(), (std::vector<desktop::Pid>{202}));
}

TEST_F(Focus, WithoutARunningApplicationOnlyTheLinesAreWritten)
{
    EventBridge::focus(shareable(11, 0, "com.example.gone", core::Rect(100, 100, 800, 600)));
    EXPECT_TRUE(activated().empty());
    clock().advance(0.35);
    const auto lines = diagLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "focus: id=11 onScreen=true pid=-1");
    EXPECT_TRUE(lines[1].ends_with(" 目标=com.example.gone 命中=false")) << lines[1];

    desktop::ShareableWindow orphan;
    orphan.windowID = 11;
    EventBridge::focus(orphan);
    clock().advance(1);
    EXPECT_EQ(diagLines().size(), 2u);
}

TEST(WindowParkingStandIn, RescueWithPipsIsOnUnlessStoredAsFalse)
{
    testsupport::TempDir dir;
    auto& settings = defaults::Defaults::standard();
    const std::string previous = settings.filePath();
    settings.reopen(dir.path() + "/defaults.json");
    EXPECT_TRUE(WindowParking::rescueWithPips());
    settings.set("foreignRescueWithPips", "no");
    EXPECT_TRUE(WindowParking::rescueWithPips());
    settings.set("foreignRescueWithPips", false);
    EXPECT_FALSE(WindowParking::rescueWithPips());
    settings.reopen(previous);
}
