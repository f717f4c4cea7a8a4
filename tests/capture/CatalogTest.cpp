#include "capture/Catalog.h"

#include "support/DiagLines.h"
#include "platform/core/AppIdentity.h"
#include "platform/desktop/CaptureErrors.h"

#include <gtest/gtest.h>

namespace {

class CatalogTest : public testsupport::SimDesktopDiagTest {
protected:
    Catalog::Listing listing()
    {
        std::optional<Catalog::Listing> result;
        Catalog::list([&](Catalog::Listing listing) {
            EXPECT_FALSE(dispatch::main().isCurrent());
            EXPECT_FALSE(result) << "the completion runs once";
            result = std::move(listing);
        });
        clock().runUntilIdle();
        EXPECT_TRUE(result);
        return result.value_or(Catalog::Listing{});
    }

    std::vector<desktop::WindowID> listed()
    {
        std::vector<desktop::WindowID> ids;
        for (const auto& window : listing().windows) ids.push_back(window.windowID);
        return ids;
    }
};

// The simulated capture, except that a content query fails with the given error.
class FailingQueries : public desktop::Capture {
public:
    FailingQueries(std::shared_ptr<desktop::Capture> real, desktop::Error error)
        : real_(std::move(real)), error_(std::move(error))
    {
    }
    void shareableContent(
        bool, bool,
        std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion) override
    {
        dispatch::global().async([completion, error = error_] { completion(std::nullopt, error); });
    }
    std::shared_ptr<desktop::CaptureStream> makeStream(const desktop::ContentFilter& filter,
                                                       const desktop::StreamConfiguration& configuration,
                                                       std::function<void(const desktop::Error&)> onStopped) override
    {
        return real_->makeStream(filter, configuration, std::move(onStopped));
    }
    void screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                    std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion) override
    {
        real_->screenshot(filter, configuration, std::move(completion));
    }
    bool coveredWindowsKeepDrawing() override { return real_->coveredWindowsKeepDrawing(); }
    bool framesShowTheLiveWindow() override { return real_->framesShowTheLiveWindow(); }

private:
    std::shared_ptr<desktop::Capture> real_;
    desktop::Error error_;
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

TEST_F(CatalogTest, ARefusedQueryIsToldApartFromNoWindowsAndLoggedOncePerKind)
{
    const std::string refused = "窗口列表: 没有屏幕录制权限，读不到任何窗口";
    const std::string failed =
        "窗口列表: 查询可共享内容失败 Error Domain=com.apple.ScreenCaptureKit.SCStreamErrorDomain "
        "Code=-3805 \"The connection to the capture service was interrupted.\"";
    Catalog::Listing nothing = listing();
    EXPECT_TRUE(nothing.windows.empty());
    EXPECT_FALSE(nothing.failure) << "no windows is not a failure";

    addApp(42, "Notes", "com.example.notes");
    addWindow(42, 1, {0, 0, 400, 300});
    world().setScreenRecordingAllowed(false);
    for (int poll = 0; poll < 3; ++poll) {
        const Catalog::Listing refusedListing = listing();
        EXPECT_TRUE(refusedListing.windows.empty());
        EXPECT_EQ(refusedListing.failure, Catalog::Failure::notPermitted);
    }
    EXPECT_EQ(diagLines(), std::vector<std::string>{refused});

    const auto simulated = desktop().capture;
    desktop().capture = std::make_shared<FailingQueries>(
        simulated, desktop::captureError::error(desktop::captureError::failedApplicationConnectionInterrupted));
    EXPECT_EQ(listing().failure, Catalog::Failure::failed);
    EXPECT_EQ(listing().failure, Catalog::Failure::failed);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{refused, failed}));

    // A query that works again ends the episode: the next refusal is news.
    desktop().capture = simulated;
    world().setScreenRecordingAllowed(true);
    EXPECT_EQ(listing().windows.size(), 1u);
    world().setScreenRecordingAllowed(false);
    EXPECT_EQ(listing().failure, Catalog::Failure::notPermitted);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{refused, failed, refused}));
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
