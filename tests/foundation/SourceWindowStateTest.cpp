#include "BridgeTest.h"

using State = EventBridge::SourceWindowState;
using EventBridge::sourceWindowState;

namespace {

class SourceWindowState : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        addApp(201, "Safari", bundle);
        addWindow(201, 11, core::Rect(100, 100, 800, 600));
    }

    // Exists, off screen and not among its application's accessibility windows.
    void moveToAnotherSpace(desktop::WindowID id)
    {
        auto window = *world().window(id);
        world().removeWindow(id);
        window.offscreen = true;
        world().addWindow(window);
    }

    const std::string bundle = "com.apple.Safari";
};

}  // namespace

TEST_F(SourceWindowState, OnScreenIsVisibleAndGoneIsDestroyedWhateverTheFrames)
{
    EXPECT_EQ(sourceWindowState(11, 0, bundle, false), State::visible);
    EXPECT_EQ(sourceWindowState(11, 0, std::nullopt, false), State::visible);
    world().removeWindow(11);
    EXPECT_EQ(sourceWindowState(11, 0, bundle, true), State::destroyed);
}

TEST_F(SourceWindowState, MinimisedOrHiddenApplicationIsHiddenWithoutFrames)
{
    world().setMinimized(11, true);
    EXPECT_EQ(sourceWindowState(11, 0, bundle, false), State::hidden);
    world().setMinimized(11, false);
    world().setHidden(201, true);
    EXPECT_EQ(sourceWindowState(11, 0, bundle, false), State::hidden);
}

TEST_F(SourceWindowState, UntrustedCannotTellSoTheWindowCountsAsHidden)
{
    world().setMinimized(11, true);
    world().setAccessibilityTrusted(false);
    EXPECT_EQ(sourceWindowState(11, 0, bundle, false), State::hidden);
}

TEST_F(SourceWindowState, OutOfTheAccessibilityListIsHiddenOnlyWhileFramesArrive)
{
    moveToAnotherSpace(11);
    EXPECT_EQ(sourceWindowState(11, 0, bundle, true), State::hidden);
    EXPECT_EQ(sourceWindowState(11, 0, bundle, false), State::destroyed);
}

TEST_F(SourceWindowState, WithoutItsApplicationTheFramesDecide)
{
    world().setMinimized(11, true);
    EXPECT_EQ(sourceWindowState(11, 0, std::nullopt, true), State::hidden);
    EXPECT_EQ(sourceWindowState(11, 0, std::string(), false), State::destroyed);
    EXPECT_EQ(sourceWindowState(11, 0, std::string("com.example.notrunning"), false), State::destroyed);
}

TEST_F(SourceWindowState, TheOwningInstanceAnswersWhenTheApplicationRunsTwice)
{
    addApp(202, "Safari", bundle);
    addWindow(202, 12, core::Rect(200, 200, 600, 400));
    world().setMinimized(12, true);
    EXPECT_EQ(sourceWindowState(12, 0, bundle, false), State::hidden);
}
