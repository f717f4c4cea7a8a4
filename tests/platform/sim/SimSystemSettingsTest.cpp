#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* settingsID = "com.apple.systempreferences";
constexpr const char* pane = "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

class SimSystemSettingsTest : public testsupport::SimDesktopTest {
protected:
    std::vector<desktop::RunningApp> runningSettings() { return desktop::workspace().applications(settingsID); }
};

TEST_F(SimSystemSettingsTest, ASettingsAddressBringsTheSettingsApplicationToRunning)
{
    const desktop::Pid other = addApp(501, "Editor", "com.example.editor");
    EXPECT_TRUE(desktop::urlOpener().open(pane));
    auto running = runningSettings();
    ASSERT_EQ(running.size(), 1u);
    const desktop::Pid first = running[0].pid;
    EXPECT_NE(first, other);
    EXPECT_NE(first, world().ownPid());
    EXPECT_EQ(running[0].name, "System Settings");
    EXPECT_FALSE(world().focusedWindow(first)) << "no windows";
    ASSERT_EQ(journalOf("app.launch").size(), 1u);
    EXPECT_EQ(journalOf("app.launch")[0]["bundleID"], settingsID);
    EXPECT_EQ(journalOf("app.launch")[0]["pid"], first);

    // The running one serves the next address.
    EXPECT_TRUE(desktop::urlOpener().open(pane));
    EXPECT_EQ(runningSettings().size(), 1u);
    EXPECT_EQ(journalOf("app.launch").size(), 1u);

    // Quit, and the next address starts another one.
    EXPECT_TRUE(desktop::workspace().terminate(first));
    EXPECT_TRUE(runningSettings().empty());
    EXPECT_TRUE(desktop::urlOpener().open(pane));
    running = runningSettings();
    ASSERT_EQ(running.size(), 1u);
    EXPECT_NE(running[0].pid, first) << "a fresh pid";
    EXPECT_EQ(journalOf("app.launch").size(), 2u);
}

TEST_F(SimSystemSettingsTest, OtherAddressesStartNothing)
{
    EXPECT_TRUE(desktop::urlOpener().open("https://example.com/x-apple.systempreferences:"));
    EXPECT_FALSE(desktop::urlOpener().open("x-apple.systempreferences:"));
    EXPECT_TRUE(runningSettings().empty());
    EXPECT_TRUE(journalOf("app.launch").empty());
}

TEST_F(SimSystemSettingsTest, ASettingsApplicationAlreadyThereIsReused)
{
    const desktop::Pid existing = addApp(400, "System Settings", settingsID);
    EXPECT_TRUE(desktop::urlOpener().open(pane));
    ASSERT_EQ(runningSettings().size(), 1u);
    EXPECT_EQ(runningSettings()[0].pid, existing);
    EXPECT_TRUE(journalOf("app.launch").empty());
}

}  // namespace
