#include "capture/Catalog.h"

#include "support/DiagLines.h"
#include "platform/core/AppIdentity.h"

#include <gtest/gtest.h>

namespace {

class CatalogTest : public testsupport::SimDesktopDiagTest {
protected:
    std::vector<desktop::WindowID> listed()
    {
        std::vector<desktop::WindowID> ids;
        bool called = false;
        Catalog::list([&](std::vector<desktop::ShareableWindow> windows) {
            EXPECT_FALSE(dispatch::main().isCurrent());
            called = true;
            for (const auto& window : windows) ids.push_back(window.windowID);
        });
        clock().runUntilIdle();
        EXPECT_TRUE(called);
        return ids;
    }
};

desktop::ShareableWindow shareable(desktop::WindowID id, const std::string& bundle, desktop::Pid pid = 0)
{
    desktop::ShareableWindow window;
    window.windowID = id;
    window.frame = core::Rect(0, 0, 400, 300);
    window.owningApplication = desktop::ShareableApplication{bundle, "Agent", pid};
    return window;
}

}  // namespace

TEST_F(CatalogTest, OffersOrdinaryWindowsOfOtherApplicationsOnly)
{
    addApp(42, "Notes", "com.example.notes");
    addApp(43, "Banner", "com.apple.notificationcenterui");
    addApp(44, "Prompt", "com.example.prompt");
    sim::SimApp agent;
    agent.info = {45, "com.example.agent", "Agent", "/System/Library/PrivateFrameworks/Agent.framework/Agent.app"};
    world().addApp(agent);
    addApp(46, "universalAccessAuthWarn", "com.example.auth");

    addWindow(42, 1, {0, 0, 120, 80});
    addWindow(42, 2, {0, 0, 119, 300});
    addWindow(42, 3, {0, 0, 500, 79});
    addWindow(42, 4, {200, 200, 300, 300}, "Palette", 3);
    addWindow(43, 5, {0, 0, 400, 300});
    addWindow(45, 6, {0, 0, 400, 300});
    addWindow(46, 7, {0, 0, 400, 300});
    addWindow(44, 8, {600, 0, 400, 300});
    world().setMinimized(8, true);

    const auto ids = listed();
    EXPECT_EQ(ids, (std::vector<desktop::WindowID>{1}));
    const auto lines = linesWith("窗口列表: 拦下系统弹窗");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "窗口列表: 拦下系统弹窗 owner=Agent id=com.example.agent 理由=系统私有框架内的弹窗代理 窗口#6"),
              lines.end());

    // Asked again: nothing new to log.
    listed();
    EXPECT_EQ(linesWith("窗口列表: 拦下系统弹窗").size(), 3u);
}

TEST_F(CatalogTest, WithoutScreenRecordingTheListIsEmptyAndSilent)
{
    addApp(42, "Notes", "com.example.notes");
    addWindow(42, 1, {0, 0, 400, 300});
    world().setScreenRecordingAllowed(false);
    EXPECT_TRUE(listed().empty());
    EXPECT_TRUE(diagLines().empty());
}

TEST_F(CatalogTest, RemembersTheSixtyFourLatestExclusions)
{
    desktop::ShareableContent content;
    content.windows.push_back(shareable(9000, "com.apple.controlcenter"));
    content.windows.push_back(shareable(9001, core::AppIdentity::current().bundleIdentifier));
    content.windows.push_back(desktop::ShareableWindow{});  // no owner
    Catalog::filter(content);
    Catalog::filter(content);
    EXPECT_EQ(linesWith("窗口#9000").size(), 1u);
    EXPECT_EQ(linesWith("窗口#9001").size(), 0u);

    desktop::ShareableContent newer;
    for (desktop::WindowID id = 9100; id < 9164; ++id) newer.windows.push_back(shareable(id, "com.apple.loginwindow"));
    EXPECT_TRUE(Catalog::filter(newer).empty());
    Catalog::filter(content);
    EXPECT_EQ(linesWith("窗口#9000").size(), 2u);
    EXPECT_EQ(linesWith("理由=黑名单").size(), 66u);
}
