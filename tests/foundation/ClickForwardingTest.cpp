#include "BridgeTest.h"

namespace {

class ClickForwarding : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        addApp(201, "Safari", "com.apple.Safari");
        addWindow(201, 11, snapshotFrame);
    }

    desktop::ShareableWindow target() { return shareable(11, 201, "com.apple.Safari", snapshotFrame); }
    std::vector<nlohmann::json> clicks() const { return journalOf("event"); }

    const core::Rect snapshotFrame{100, 100, 800, 600};
};

}  // namespace

TEST_F(ClickForwarding, MapsThroughWhereTheWindowIsNowAndPostsDownThenUp)
{
    world().setFrame(11, core::Rect(300, 200, 800, 600));
    EXPECT_TRUE(EventBridge::forwardClick({200, 150}, {400, 300}, target(), 1));

    const auto events = clicks();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["type"], "leftMouseDown");
    EXPECT_EQ(events[1]["type"], "leftMouseUp");
    for (const auto& event : events) {
        EXPECT_EQ(event["at"], nlohmann::json::array({700.0, 500.0}));
        EXPECT_EQ(event["clickState"], 1);
        EXPECT_EQ(event["window"], 11);
    }
    EXPECT_NEAR(events[1]["t"].get<double>() - events[0]["t"].get<double>(), 0.025, 1e-9);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"转发点击: pt=(700.0, 500.0) click=1"}));
}

TEST_F(ClickForwarding, ClickStateStopsAtThreeButTheLogKeepsTheCount)
{
    EXPECT_TRUE(EventBridge::forwardClick({0, 0}, {400, 300}, target(), 4));
    for (const auto& event : clicks()) EXPECT_EQ(event["clickState"], 3);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"转发点击: pt=(100.0, 100.0) click=4"}));
}

TEST_F(ClickForwarding, AZeroSizedViewCountsAsOnePoint)
{
    EXPECT_TRUE(EventBridge::forwardClick({0.25, 0.5}, {0, 0}, target(), 1));
    EXPECT_EQ(clicks().at(0)["at"], nlohmann::json::array({300.0, 400.0}));
}

TEST_F(ClickForwarding, UntrustedPostsNothing)
{
    world().setAccessibilityTrusted(false);
    EXPECT_FALSE(EventBridge::forwardClick({10, 10}, {400, 300}, target(), 1));
    EXPECT_TRUE(clicks().empty());
    EXPECT_TRUE(diagLines().empty());
}

TEST_F(ClickForwarding, AnOffScreenWindowIsBroughtForwardInsteadOfClicked)
{
    world().setMinimized(11, true);
    EXPECT_FALSE(EventBridge::forwardClick({10, 10}, {400, 300}, target(), 1));
    EXPECT_TRUE(clicks().empty());
    EXPECT_FALSE(world().window(11)->minimized);
}
