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
