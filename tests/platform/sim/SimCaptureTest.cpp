#include "platform/core/AppIdentity.h"
#include "platform/sim/SimCapture.h"
#include "platform/sim/WindowPainter.h"
#include "support/PixelBytes.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

namespace {

using desktop::ContentFilter;
using testing::ElementsAre;
namespace ce = desktop::captureError;

class SimCaptureTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        addApp(501, "Editor", "com.example.editor");
        addApp(502, "Viewer");
        addWindow(501, 11, {100, 100, 400, 300}, "Notes");
        addWindow(502, 21, {300, 200, 500, 400});
        addWindow(501, 12, {0, 0, 1512, 25}, "Menu", desktop::level::mainMenu);
        addWindow(502, 23, {0, 0, 1512, 982}, "", sim::desktopIconLayer);
        world().setMinimized(11, true);
    }

    struct Answer {
        std::optional<desktop::ShareableContent> content;
        std::optional<desktop::Error> error;
        int calls = 0;
    };

    Answer shareable(bool excludingDesktopWindows, bool onScreenWindowsOnly)
    {
        Answer answer;
        desktop().capture->shareableContent(excludingDesktopWindows, onScreenWindowsOnly, [&](auto content, auto error) {
            answer.content = std::move(content);
            answer.error = std::move(error);
            ++answer.calls;
        });
        EXPECT_EQ(answer.calls, 0) << "the answer comes asynchronously";
        clock().runUntilIdle();
        EXPECT_EQ(answer.calls, 1);
        return answer;
    }

    static std::vector<desktop::WindowID> ids(const desktop::ShareableContent& content)
    {
        std::vector<desktop::WindowID> result;
        for (const auto& window : content.windows) result.push_back(window.windowID);
        return result;
    }

    std::pair<desktop::PixelBufferRef, std::optional<desktop::Error>> screenshot(const ContentFilter& filter, int width,
                                                                                 int height)
    {
        desktop::StreamConfiguration configuration;
        configuration.width = width;
        configuration.height = height;
        std::pair<desktop::PixelBufferRef, std::optional<desktop::Error>> result;
        desktop().capture->screenshot(filter, configuration, [&](auto image, auto error) {
            result = {std::move(image), std::move(error)};
        });
        clock().runUntilIdle();
        return result;
    }

    static ContentFilter filterOf(desktop::WindowID id)
    {
        desktop::ShareableWindow window;
        window.windowID = id;
        return ContentFilter::desktopIndependentWindow(window);
    }
};

TEST_F(SimCaptureTest, ShareableContentListsWindowsFrontToBackWithTheirOwners)
{
    desktop::OwnWindowState own;
    own.title = "Mini";
    own.frame = {1000, 600, 320, 200};
    own.level = desktop::level::floating;
    own.visible = true;
    const auto mini = desktop().windowServer->registerOwnWindow(own, nullptr, nullptr);

    const auto all = shareable(false, false);
    ASSERT_TRUE(all.content);
    EXPECT_FALSE(all.error);
    EXPECT_THAT(ids(*all.content), ElementsAre(12, mini, 21, 11, 23));
    const auto& notes = all.content->windows[3];
    EXPECT_EQ(notes.frame, core::Rect(100, 100, 400, 300));
    EXPECT_EQ(notes.title, "Notes");
    EXPECT_EQ(notes.windowLayer, 0);
    EXPECT_FALSE(notes.isOnScreen);
    ASSERT_TRUE(notes.owningApplication);
    EXPECT_EQ(notes.owningApplication->bundleIdentifier, "com.example.editor");
    EXPECT_EQ(notes.owningApplication->applicationName, "Editor");
    EXPECT_EQ(notes.owningApplication->processID, 501);
    EXPECT_FALSE(all.content->windows[2].title) << "an untitled window has no title";
    EXPECT_EQ(all.content->windows[0].windowLayer, desktop::level::mainMenu);
    // The application's own windows are there, under its own bundle identifier.
    ASSERT_TRUE(all.content->windows[1].owningApplication);
    EXPECT_EQ(all.content->windows[1].owningApplication->bundleIdentifier, core::AppIdentity::current().bundleIdentifier);
    EXPECT_EQ(all.content->windows[1].owningApplication->processID, world().ownPid());

    ASSERT_EQ(all.content->displays.size(), 1u);
    EXPECT_EQ(all.content->displays[0].displayID, 1u);
    EXPECT_EQ(all.content->displays[0].frame, core::Rect(0, 0, 1512, 982));
    EXPECT_EQ(all.content->displays[0].width, 1512);
    EXPECT_EQ(all.content->displays[0].height, 982);
    std::vector<desktop::Pid> pids;
    for (const auto& app : all.content->applications) pids.push_back(app.processID);
    EXPECT_THAT(pids, ElementsAre(world().ownPid(), 501, 502));

    EXPECT_THAT(ids(*shareable(false, true).content), ElementsAre(12, mini, 21, 23));
    EXPECT_THAT(ids(*shareable(true, true).content), ElementsAre(12, mini, 21));
}

TEST_F(SimCaptureTest, WithoutTheGrantContentAndScreenshotsFailWithUserDeclined)
{
    world().setScreenRecordingAllowed(false);
    const auto answer = shareable(false, true);
    EXPECT_FALSE(answer.content);
    ASSERT_TRUE(answer.error);
    EXPECT_EQ(answer.error->domain, ce::domain);
    EXPECT_EQ(answer.error->code, ce::userDeclined);
    EXPECT_FALSE(answer.error->description.empty());
    EXPECT_FALSE(answer.error->localizedDescription.empty());

    const auto [image, error] = screenshot(filterOf(21), 200, 88);
    EXPECT_FALSE(image);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, ce::userDeclined);
}

TEST_F(SimCaptureTest, ScreenshotIsTheWindowFilledIntoTheConfiguredSize)
{
    clock().advance(2.5);
    const auto [image, error] = screenshot(filterOf(21), 176, 88);
    EXPECT_FALSE(error);
    ASSERT_TRUE(image);
    const auto window = *world().window(21);
    EXPECT_EQ(testsupport::pixelBytes(*image),
              testsupport::pixelBytes(*sim::paintWindow(window, world().appName(window.pid), 2.5, 176, 88)));

    // A minimised or closed window has nothing to show.
    EXPECT_EQ(screenshot(filterOf(11), 176, 88).second->code, ce::noCaptureSource);
    EXPECT_EQ(screenshot(filterOf(999), 176, 88).second->code, ce::noCaptureSource);
}

}  // namespace
