#include "platform/sim/SimLoginItem.h"
#include "platform/sim/SimUrlOpener.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

using Status = desktop::LoginItem::Status;

class SimSmallServicesTest : public testsupport::SimDesktopTest {};

TEST_F(SimSmallServicesTest, ScreenRecordingRequestAnswersTheGrant)
{
    EXPECT_TRUE(desktop().permissions->screenCapturePreflight());
    world().setScreenRecordingAllowed(false);
    EXPECT_FALSE(desktop().permissions->screenCapturePreflight());
    EXPECT_FALSE(desktop().permissions->requestScreenCapture());
    EXPECT_FALSE(world().screenRecordingAllowed());
    ASSERT_EQ(journalOf("permission.request").size(), 1u);
    EXPECT_EQ(journalOf("permission.request")[0]["granted"], false);
}

TEST_F(SimSmallServicesTest, LoginItemReachesEveryStatus)
{
    auto& item = static_cast<sim::SimLoginItem&>(*desktop().loginItem);
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_TRUE(item.unregisterItem()) << "nothing to unregister";
    EXPECT_FALSE(item.registerItem());
    EXPECT_EQ(item.status(), Status::enabled);
    item.setRequiresApproval(true);
    EXPECT_EQ(item.status(), Status::requiresApproval);
    EXPECT_FALSE(item.unregisterItem());
    EXPECT_EQ(item.status(), Status::notRegistered);
    item.setNotFound(true);
    EXPECT_EQ(item.status(), Status::notFound);
    const auto error = item.registerItem();
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->localizedDescription.empty());
    EXPECT_EQ(journalOf("loginItem.register").size(), 2u);
    EXPECT_EQ(journalOf("loginItem.unregister").size(), 2u);
}

TEST_F(SimSmallServicesTest, PasteboardAndUrlsAreRecorded)
{
    EXPECT_FALSE(desktop().pasteboard->string());
    desktop().pasteboard->setString("诊断信息");
    EXPECT_EQ(desktop().pasteboard->string(), "诊断信息");
    EXPECT_EQ(journalOf("pasteboard.set").at(0)["text"], "诊断信息");

    auto& opener = static_cast<sim::SimUrlOpener&>(*desktop().urlOpener);
    EXPECT_TRUE(opener.open("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"));
    EXPECT_TRUE(opener.open("https://example.com/a%20b"));
    EXPECT_FALSE(opener.open("not an address"));
    EXPECT_FALSE(opener.open("https://example.com/%zz"));
    EXPECT_FALSE(opener.open("://nothing"));
    EXPECT_FALSE(opener.open("mailto:"));
    EXPECT_THAT(opener.opened(),
                testing::ElementsAre("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture",
                                     "https://example.com/a%20b"));
    EXPECT_EQ(journalOf("url.open").size(), 6u);
}

}  // namespace

namespace {

class SimToolsTest : public testsupport::SimDesktopTest {};

TEST_F(SimToolsTest, TccutilResetsOnlyTheOwnScreenRecordingGrant)
{
    const std::string ownID = world().app(world().ownPid())->info.bundleIdentifier;
    ASSERT_FALSE(ownID.empty());
    auto& tools = desktop::tools();

    auto outcome = tools.run("/usr/bin/tccutil", {"reset", "ScreenCapture", "com.example.other"}, 5);
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_TRUE(world().screenRecordingAllowed()) << "another application's grant";
    EXPECT_EQ(tools.run("/usr/bin/tccutil", {"reset", "Accessibility", ownID}, 5).exitStatus, 1);
    EXPECT_TRUE(world().screenRecordingAllowed());

    outcome = tools.run("/usr/bin/tccutil", {"reset", "ScreenCapture", ownID}, 5);
    EXPECT_TRUE(outcome.succeeded());
    EXPECT_FALSE(world().screenRecordingAllowed());
    EXPECT_FALSE(desktop::permissions().screenCapturePreflight());

    const auto runs = journalOf("tool.run");
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[2]["path"], "/usr/bin/tccutil");
    EXPECT_EQ(runs[2]["arguments"], nlohmann::json({"reset", "ScreenCapture", ownID}));
    EXPECT_EQ(runs[2]["status"], 0);
}

TEST_F(SimToolsTest, UnknownToolsCannotStart)
{
    const auto outcome = desktop::tools().run("/usr/bin/nonesuch", {"-x"}, 1);
    EXPECT_EQ(outcome.kind, desktop::ToolOutcome::Kind::couldNotStart);
    EXPECT_FALSE(outcome.succeeded());
    EXPECT_EQ(journalOf("tool.run").at(0)["result"], "could not start");

    EXPECT_TRUE(desktop::tools().run("/usr/bin/open", {"/Applications/Glimra.app"}, 1).succeeded());
    EXPECT_FALSE(desktop::tools().launch("/usr/bin/nonesuch", {}));
    EXPECT_TRUE(desktop::tools().launch("/usr/bin/open", {"-n"}));
    const auto launches = journalOf("tool.launch");
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0]["result"], false);
    EXPECT_EQ(launches[1]["arguments"], nlohmann::json({"-n"}));
}

}  // namespace
