#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

Geometry centreOf(const Geometry& g) { return {g.x + g.width / 2, g.y + g.height / 2, 0, 0}; }

bool sameFrame(const Geometry& a, const Geometry& b, int slack)
{
    return std::abs(a.x - b.x) <= slack && std::abs(a.y - b.y) <= slack && std::abs(a.width - b.width) <= slack &&
           std::abs(a.height - b.height) <= slack;
}

unsigned long activeWindow()
{
    const std::string id = runTool({"xdotool", "getactivewindow"});
    return id.empty() ? 0 : std::stoul(id);
}

std::string propertyOf(unsigned long window, const char* property)
{
    return runTool({"xprop", "-id", std::to_string(window), property});
}

// glimra mirroring one xterm, with the pointer away from the mini window; on the shared
// display, or on one of its own under the window manager given.
class PinnedPreview : public ::testing::Test {
protected:
    PinnedPreview() = default;
    PinnedPreview(const std::string& windowManager, const std::string& terminalGeometry)
        : display(std::make_unique<TestDisplay>("1920x1080x24", NamedWindowManager{windowManager})),
          terminal({"xterm", "-geometry", terminalGeometry})
    {
    }

    void SetUp() override
    {
        if (display) {
            ASSERT_TRUE(display->ready()) << "no X server of the test's own came up";
        }
        terminalWindow = terminal.waitForWindow("XTerm");
        ASSERT_NE(terminalWindow, 0u);
        ASSERT_TRUE(glimra.ready()) << glimra.err();
        movePointer(5, 700);
        known = visibleWindowsOf(glimra.pid());
        glimra.process().signal(SIGUSR2);
        mini = glimra.waitForNewPictureWindow(known);
        ASSERT_NE(mini, 0u) << glimra.err();
        known.push_back(mini);
        home = frameOf(terminalWindow);
    }

    bool logHas(const std::string& text) const { return glimra.log().find(text) != std::string::npos; }
    bool waitForLog(const std::string& text, double seconds = 5)
    {
        return waitUntil([&] { return logHas(text); }, seconds);
    }

    // Rests the pointer on the mini window's picture until the hover preview is up; its
    // window, 0 when none came.
    unsigned long hover()
    {
        // A preview still fading out from the last pin is not the new one.
        EXPECT_TRUE(previewGone());
        const Geometry centre = centreOf(geometryOf(mini));
        movePointerOnto(centre.x, centre.y);
        return glimra.waitForNewPictureWindow(known, 5);
    }

    // Hovers, clicks, and waits until xterm stands where the preview was; the preview's frame.
    Geometry pin()
    {
        const unsigned long preview = hover();
        EXPECT_NE(preview, 0u) << "no hover preview; log:\n" << glimra.log();
        if (preview == 0) return {};
        const Geometry box = frameOf(preview);
        runTool({"xdotool", "click", "1"});
        // Centred on the box, as far as xterm's character cells let it grow.
        const bool inBox = waitUntil(
            [&] {
                const Geometry now = centreOf(frameOf(terminalWindow));
                const Geometry middle = centreOf(box);
                return std::abs(now.x - middle.x) <= 8 && std::abs(now.y - middle.y) <= 8;
            },
            5);
        EXPECT_TRUE(inBox) << "xterm stays at " << frameOf(terminalWindow).x << "," << frameOf(terminalWindow).y
                           << ", the preview is at " << box.x << "," << box.y << "; log:\n"
                           << glimra.log();
        // Once xterm stands in its place the preview goes.
        EXPECT_TRUE(previewGone()) << "the preview stays over the pinned xterm";
        return box;
    }

    bool previewGone()
    {
        return waitUntil([&] { return newPictureWindowOf(glimra.pid(), known) == 0; }, 5);
    }

    ::testing::AssertionResult backHome(int slack = 2)
    {
        if (waitUntil([&] { return sameFrame(frameOf(terminalWindow), home, slack); }, 5))
            return ::testing::AssertionSuccess();
        const Geometry now = frameOf(terminalWindow);
        return ::testing::AssertionFailure()
               << "xterm ends at " << now.x << "," << now.y << " " << now.width << "x" << now.height << " instead of "
               << home.x << "," << home.y << " " << home.width << "x" << home.height;
    }

    std::unique_ptr<TestDisplay> display;
    X11Client terminal{{"xterm", "-geometry", "60x12+420+380"}};
    unsigned long terminalWindow = 0;
    GlimraOnDesktop glimra;
    std::vector<unsigned long> known;
    unsigned long mini = 0;
    Geometry home;
};

TEST_F(PinnedPreview, TakesXtermIntoThePreviewTakesTypingAndEscapePutsItBack)
{
    const Geometry box = pin();
    ASSERT_TRUE(waitForLog("接管预览: 源窗口移至")) << glimra.log();
    // The preview is bigger than xterm's own size, so xterm grows into it.
    const Geometry taken = frameOf(terminalWindow);
    EXPECT_GT(taken.width, home.width);
    EXPECT_LE(taken.width, box.width + 2);
    EXPECT_LE(taken.height, box.height + 2);

    const TempDir folder;
    const std::string typed = folder.path() + "/typed";
    runTool({"xdotool", "type", "--delay", "20", "touch " + typed + "\n"});
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(typed); }, 5)) << "typing did not reach xterm";

    runTool({"xdotool", "key", "Escape"});
    ASSERT_TRUE(waitForLog("Esc(全局)→退出固定")) << glimra.log();
    EXPECT_TRUE(backHome());
    EXPECT_TRUE(glimra.process().running()) << glimra.err();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

TEST_F(PinnedPreview, AClickOnTheDesktopLeavesTheNextPinAndADoubleClickFocusesXterm)
{
    pin();
    movePointer(30, 700);
    runTool({"xdotool", "click", "1"});
    EXPECT_TRUE(waitForLog("全局点击→退出固定")) << glimra.log();
    EXPECT_TRUE(backHome());

    // A click on the mini window keeps the pin; its double click leaves it.
    pin();
    const Geometry centre = centreOf(geometryOf(mini));
    movePointer(centre.x, centre.y);
    runTool({"xdotool", "click", "--repeat", "2", "--delay", "60", "1"});
    EXPECT_TRUE(waitForLog("双击画面→退出固定并聚焦源窗口")) << glimra.log();
    EXPECT_FALSE(logHas("全局点击→退出固定: win=" + std::to_string(mini)));
    EXPECT_TRUE(backHome());
    EXPECT_TRUE(waitUntil([&] { return activeWindow() == terminalWindow; }, 5)) << "xterm is not in front; log:\n"
                                                                                << glimra.log();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// openbox moves no maximised window: the takeover takes xterm out of that state, and
// leaving puts it back in, at its frame.
TEST_F(PinnedPreview, AMaximisedXtermIsTakenOverAndComesBackMaximised)
{
    runTool({"wmctrl", "-i", "-r", std::to_string(terminalWindow), "-b", "add,maximized_vert,maximized_horz"});
    ASSERT_TRUE(waitUntil([&] { return frameOf(terminalWindow).width > 1000; }));
    const Geometry unmaximised = home;
    home = frameOf(terminalWindow);
    const Geometry box = pin();
    EXPECT_LE(frameOf(terminalWindow).width, box.width + 2);
    EXPECT_EQ(propertyOf(terminalWindow, "_NET_WM_STATE").find("MAXIMIZED"), std::string::npos);

    runTool({"xdotool", "key", "Escape"});
    ASSERT_TRUE(waitForLog("接管预览退出: 恢复源窗口")) << glimra.log();
    EXPECT_TRUE(backHome());
    EXPECT_TRUE(waitUntil(
        [&] { return propertyOf(terminalWindow, "_NET_WM_STATE").find("MAXIMIZED") != std::string::npos; }, 5));
    EXPECT_FALSE(logHas("最小尺寸学习: ")) << glimra.log();
    runTool({"wmctrl", "-i", "-r", std::to_string(terminalWindow), "-b", "remove,maximized_vert,maximized_horz"});
    // openbox still has the frame xterm had before it was maximised.
    EXPECT_TRUE(waitUntil([&] { return sameFrame(frameOf(terminalWindow), unmaximised, 2); }, 5))
        << glimra.log();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// A window on a workspace the user does not see is not moved there: the pinned preview
// stays a picture, and a click in it says why.
TEST_F(PinnedPreview, PinningAWindowOnAnotherWorkspaceKeepsThePicture)
{
    runTool({"wmctrl", "-i", "-r", std::to_string(terminalWindow), "-t", "1"});
    ASSERT_TRUE(waitUntil([&] { return propertyOf(terminalWindow, "_NET_WM_DESKTOP").ends_with("= 1\n"); }));
    const unsigned long preview = hover();
    ASSERT_NE(preview, 0u) << glimra.log();
    const Geometry inPreview = centreOf(frameOf(preview));
    runTool({"xdotool", "click", "1"});
    ASSERT_TRUE(waitForLog("接管未生效→转发模式")) << glimra.log();
    movePointer(inPreview.x, inPreview.y);
    runTool({"xdotool", "click", "1"});
    EXPECT_TRUE(waitForLog("showHint: 'Apps on other desktops can be previewed but not interacted with'"))
        << glimra.log();
    EXPECT_NE(newPictureWindowOf(glimra.pid(), known), 0u) << "the preview went";
    EXPECT_TRUE(sameFrame(frameOf(terminalWindow), home, 0));
    runTool({"xdotool", "key", "Escape"});
    EXPECT_TRUE(previewGone());
    EXPECT_TRUE(sameFrame(frameOf(terminalWindow), home, 0));
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// Near the middle of the screen the mini window lies under its preview, which comes up
// under the pointer: it stays while the pointer is over it or over the mini window, and
// goes once the pointer is over neither.
TEST_F(PinnedPreview, APreviewUnderThePointerStaysUntilThePointerIsOverNeither)
{
    moveWindowTo(mini, 700, 350);
    const unsigned long preview = hover();
    ASSERT_NE(preview, 0u) << glimra.log();
    // Off the mini window, still on the preview: kept, or hidden as the pointer left.
    movePointer(frameOf(preview).x + 20, 500);
    ASSERT_TRUE(waitUntil([&] { return logHas("预览保留: 指针在预览上") || logHas("hidePreview"); }, 5))
        << glimra.log();
    EXPECT_FALSE(logHas("hidePreview")) << glimra.log();
    movePointer(5, 700);
    EXPECT_TRUE(previewGone()) << glimra.log();
    EXPECT_EQ(occurrences(glimra.log(), "showPreview: panel="), 1u) << glimra.log();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// Each window manager, xterm near the screen's right edge. Window managers keep a window
// on the screen: xterm, still as large as the preview, was clamped when it went back to
// its place before it shrank. fluxbox takes a move alone as a resize to the frame's
// height: each recentre of the takeover grew xterm far past the preview's box.
class PinnedPreviewUnderWindowManager : public PinnedPreview,
                                        public ::testing::WithParamInterface<std::string> {
protected:
    PinnedPreviewUnderWindowManager() : PinnedPreview(GetParam(), "60x12+1300+380") {}
};

TEST_P(PinnedPreviewUnderWindowManager, TheTakenOverXtermStaysInTheBoxAndComesBackToItsPlace)
{
    const Geometry box = pin();
    ASSERT_TRUE(waitForLog("接管回读:")) << glimra.log();
    const Geometry taken = frameOf(terminalWindow);
    EXPECT_LE(taken.width, box.width + 2);
    EXPECT_LE(taken.height, box.height + 2) << glimra.log();
    runTool({"xdotool", "key", "Escape"});
    ASSERT_TRUE(waitForLog("接管预览退出: 恢复")) << glimra.log();
    EXPECT_TRUE(backHome(0)) << glimra.log();
    EXPECT_FALSE(logHas("恢复彻底失败")) << glimra.log();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, PinnedPreviewUnderWindowManager,
                         ::testing::Values("openbox", "metacity", "marco", "mutter", "icewm", "fluxbox"),
                         [](const auto& info) { return info.param; });

}  // namespace
