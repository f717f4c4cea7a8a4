#include "BridgeTest.h"

#include "platform/dispatch/Queue.h"

namespace {

// Remembers what was opened and when.
class RecordingOpener : public desktop::UrlOpener {
public:
    bool open(const std::string& url) override
    {
        opened.emplace_back(url, dispatch::now());
        return true;
    }
    std::vector<std::pair<std::string, double>> opened;
};

class SettingsPanes : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        desktop().urlOpener = opener;
    }

    desktop::Pid addSystemSettings(desktop::Pid pid, bool ignoresQuit)
    {
        sim::SimApp app;
        app.info.pid = pid;
        app.info.name = "System Settings";
        app.info.bundleIdentifier = EventBridge::systemSettingsBundleID;
        app.ignoresTerminate = ignoresQuit;
        world().addApp(app);
        return pid;
    }

    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();
};

}  // namespace

TEST_F(SettingsPanes, WithoutSystemSettingsRunningThePaneOpensAtOnceOnTheMainQueue)
{
    EventBridge::openSettingsPane(EventBridge::accessibilityPane);
    EXPECT_TRUE(opener->opened.empty());
    clock().runUntilIdle();
    ASSERT_EQ(opener->opened.size(), 1u);
    EXPECT_EQ(opener->opened[0].first, "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");
    EXPECT_EQ(opener->opened[0].second, 0.0);
    EXPECT_TRUE(journalOf("app.terminate").empty());
}

TEST_F(SettingsPanes, ARunningSystemSettingsQuitsFirst)
{
    addSystemSettings(400, false);
    EventBridge::openSettingsPane(EventBridge::screenRecordingPane);
    clock().runUntilIdle();
    ASSERT_EQ(journalOf("app.terminate").size(), 1u);
    ASSERT_EQ(opener->opened.size(), 1u);
    EXPECT_EQ(opener->opened[0].second, 0.0);
}

TEST_F(SettingsPanes, ASystemSettingsThatIgnoresTheQuitDelaysThePaneByTwoSecondsAtMost)
{
    addSystemSettings(400, true);
    EventBridge::openSettingsPane(EventBridge::screenRecordingPane);
    clock().runUntilIdle();
    ASSERT_EQ(opener->opened.size(), 1u);
    EXPECT_NEAR(opener->opened[0].second, 2.0, 1e-9);
}

TEST_F(SettingsPanes, ClosingAsksOnlyTheFirstInstanceAndDoesNotWait)
{
    EventBridge::closeSystemSettings();
    EXPECT_TRUE(journalOf("app.terminate").empty());
    addSystemSettings(400, true);
    addSystemSettings(401, true);
    EventBridge::closeSystemSettings();
    ASSERT_EQ(journalOf("app.terminate").size(), 1u);
    EXPECT_EQ(journalOf("app.terminate")[0]["pid"], 400);
    EXPECT_EQ(dispatch::now(), 0.0);
}
