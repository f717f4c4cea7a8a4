#include "BridgeTest.h"

#include "platform/dispatch/Queue.h"

// The simulated desktop's own opener: the pane starts the settings application, and
// closing quits it again.
TEST_F(BridgeTest, APaneOpensTheSettingsApplicationAndClosingQuitsIt)
{
    auto running = [] { return desktop::workspace().applications(EventBridge::systemSettingsBundleID); };
    EventBridge::openSettingsPane(EventBridge::screenRecordingPane);
    clock().runUntilIdle();
    ASSERT_EQ(running().size(), 1u);
    EXPECT_EQ(journalOf("app.launch").size(), 1u);

    EventBridge::closeSystemSettings();
    EXPECT_TRUE(running().empty());
    ASSERT_EQ(journalOf("app.terminate").size(), 1u);
    EXPECT_EQ(journalOf("app.terminate")[0]["result"], true);

    // Opening again while one is running quits it first, then starts a fresh one.
    EventBridge::openSettingsPane(EventBridge::accessibilityPane);
    clock().runUntilIdle();
    EventBridge::openSettingsPane(EventBridge::screenRecordingPane);
    clock().runUntilIdle();
    EXPECT_EQ(running().size(), 1u);
    EXPECT_EQ(journalOf("app.terminate").size(), 2u);
    EXPECT_EQ(journalOf("app.launch").size(), 3u);
}
