#include "platform/core/AppIdentity.h"
#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;

class SimWorkspaceTest : public testsupport::SimDesktopTest {
protected:
    desktop::Workspace& workspace() { return *desktop().workspace; }
};

TEST_F(SimWorkspaceTest, TheApplicationItselfRuns)
{
    addApp(501, "Editor", "com.example.editor");
    const auto apps = workspace().runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].pid, sim::simulatedOwnPid);
    EXPECT_EQ(apps[0].name, "Glimra");
    EXPECT_EQ(apps[0].bundleIdentifier, core::AppIdentity::current().bundleIdentifier);
    EXPECT_EQ(workspace().ownPid(), sim::simulatedOwnPid);
    EXPECT_EQ(workspace().applications("com.example.editor").size(), 1u);
    EXPECT_TRUE(workspace().applications("").empty());
}

// Activation makes the application frontmost at once and tells the observers on the
// main queue; without allWindows only its front window comes forward.
TEST_F(SimWorkspaceTest, ActivationBringsWindowsForwardAndNotifies)
{
    addApp(501, "Editor");
    addApp(502, "Viewer");
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(501, 12, {0, 0, 400, 300});
    addWindow(502, 21, {0, 0, 400, 300});
    std::vector<desktop::Pid> heard;
    const auto token = workspace().addActivationObserver([&](desktop::Pid pid) {
        EXPECT_TRUE(dispatch::main().isCurrent());
        heard.push_back(pid);
    });

    EXPECT_TRUE(workspace().activate(501));
    EXPECT_EQ(workspace().frontmostApplication()->pid, 501);
    EXPECT_TRUE(workspace().application(501)->active);
    EXPECT_THAT(world().stackIds(), ElementsAre(12, 21, 11));
    EXPECT_TRUE(heard.empty());
    clock().runUntilIdle();
    EXPECT_THAT(heard, ElementsAre(501));

    world().raise(21);
    EXPECT_TRUE(workspace().activate(501, {.allWindows = true}));
    EXPECT_THAT(world().stackIds(), ElementsAre(12, 11, 21));

    workspace().removeActivationObserver(token);
    EXPECT_FALSE(workspace().activate(999));
    EXPECT_TRUE(workspace().activate(502));
    clock().runUntilIdle();
    EXPECT_THAT(heard, ElementsAre(501));

    const auto activations = journalOf("app.activate");
    ASSERT_EQ(activations.size(), 4u);
    EXPECT_EQ(activations[1]["allWindows"], true);
    EXPECT_EQ(activations[2]["result"], false);
}

TEST_F(SimWorkspaceTest, HideUnhideAndTerminate)
{
    addApp(501, "Editor");
    sim::SimApp settings;
    settings.info.pid = 600;
    settings.info.bundleIdentifier = "com.apple.systempreferences";
    settings.ignoresTerminate = true;
    world().addApp(settings);
    addWindow(501, 11, {0, 0, 400, 300});
    workspace().activate(501);

    EXPECT_TRUE(workspace().hide(501));
    EXPECT_TRUE(workspace().application(501)->hidden);
    EXPECT_FALSE(workspace().frontmostApplication());
    EXPECT_FALSE(world().isOnScreen(11));
    EXPECT_TRUE(workspace().unhide(501));
    EXPECT_TRUE(world().isOnScreen(11));

    EXPECT_TRUE(workspace().terminate(600));
    EXPECT_FALSE(workspace().application(600)->terminated) << "this one ignores the request";
    EXPECT_TRUE(workspace().terminate(501));
    EXPECT_TRUE(workspace().application(501)->terminated);
    EXPECT_FALSE(world().window(11));
    EXPECT_TRUE(workspace().applications("com.example.editor").empty());
    EXPECT_FALSE(workspace().terminate(501));
    EXPECT_FALSE(workspace().hide(501));
    EXPECT_EQ(journalOf("app.terminate").size(), 3u);
}

TEST_F(SimWorkspaceTest, OpenApplicationActivatesARunningOneAndFailsOtherwise)
{
    addApp(501, "Editor");
    addApp(502, "Browser");
    addWindow(501, 11, {0, 0, 400, 300});
    addWindow(502, 21, {0, 0, 400, 300});
    addWindow(501, 12, {0, 0, 400, 300});
    std::vector<std::optional<desktop::Error>> results;
    workspace().openApplication("/Applications/Editor.app", true, [&](auto error) { results.push_back(error); });
    workspace().openApplication("/Applications/Missing.app", true, [&](auto error) { results.push_back(error); });
    EXPECT_TRUE(results.empty()) << "completions run on the main queue";
    clock().runUntilIdle();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_FALSE(results[0]);
    ASSERT_TRUE(results[1]);
    EXPECT_FALSE(results[1]->localizedDescription.empty());
    EXPECT_EQ(workspace().frontmostApplication()->pid, 501);
    // All of its windows came forward, in their order.
    EXPECT_THAT(world().stackIds(), ElementsAre(12, 11, 21));
    EXPECT_EQ(journalOf("app.open").size(), 2u);

    workspace().setActivationPolicy(desktop::ActivationPolicy::regular);
    EXPECT_EQ(workspace().activationPolicy(), desktop::ActivationPolicy::regular);
}

}  // namespace

namespace {

class SimOtherInstanceTest : public testsupport::SimDesktopTest {};

TEST_F(SimOtherInstanceTest, AnotherCopyIsListedFirstAndActivatingItCallsIt)
{
    auto& workspace = static_cast<sim::SimWorkspace&>(*desktop().workspace);
    const std::string ownID = core::AppIdentity::current().bundleIdentifier;
    int reopened = 0;
    workspace.setOtherInstance(sim::SimWorkspace::OtherInstance{4242, [&] { ++reopened; }});

    const auto copies = workspace.applications(ownID);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].pid, 4242);
    EXPECT_EQ(copies[1].pid, sim::simulatedOwnPid);
    EXPECT_EQ(workspace.runningApplications().front().pid, 4242);

    EXPECT_TRUE(workspace.activate(4242));
    EXPECT_EQ(reopened, 1);
    EXPECT_NE(world().frontmost(), std::optional<desktop::Pid>(4242)) << "the world does not change";
    EXPECT_EQ(journalOf("app.activate").at(0)["pid"], 4242);

    workspace.setOtherInstance(std::nullopt);
    EXPECT_EQ(workspace.applications(ownID).size(), 1u);
    EXPECT_FALSE(workspace.activate(4242));
    EXPECT_EQ(reopened, 1);
}

}  // namespace
