#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What a user meets with the keyboard and the pointer around the mini windows, in one
// launch: xterm, framed by the window manager, and a GTK editor that draws its own title
// bar.
namespace {

using namespace testsupport;

bool exists(unsigned long window)
{
    int status = 0;
    runTool({"xwininfo", "-id", std::to_string(window)}, &status);
    return status == 0;
}

PointerPoint middleOf(const Geometry& g) { return {g.x + g.width / 2, g.y + g.height / 2}; }

class X11DesktopInput : public ::testing::Test {
protected:
    void TearDown() override { runTool({"xdotool", "keyup", "Control_R", "mouseup", "1"}); }
};

TEST_F(X11DesktopInput, TriggerCornersClearOfButtonsRightCtrlCombinationsEdgeResizeAndOneTapNotice)
{
    X11Client terminal({"xterm", "-geometry", "80x24+60+160"});
    X11Client editor({"env", "GTK_CSD=1", "NO_AT_BRIDGE=1", "mousepad"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    const unsigned long editorWindow = editor.waitForWindow("Mousepad");
    ASSERT_NE(terminalWindow, 0u);
    ASSERT_NE(editorWindow, 0u);
    moveWindowTo(editorWindow, 1100, 200);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const auto log = [&] { return glimra.log(); };
    const auto shown = [&](unsigned long window) { return isVisibleWindowOf(glimra.pid(), window); };
    std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());

    // xterm's block lies in its client area, below the title bar and its buttons: a click at
    // the block's corner mirrors xterm and leaves it open.
    const Geometry client = clientAreaOf(terminalWindow);
    ASSERT_GT(client.y, frameOf(terminalWindow).y) << "xterm has no title bar";
    const unsigned long block =
        restInCorner(glimra, "XTerm", middleOf(client), {client.x + client.width - 20, client.y + 4});
    ASSERT_NE(block, 0u) << log();
    const Geometry blockFrame = geometryOf(block);
    EXPECT_EQ(blockFrame.y, client.y + 8);
    EXPECT_EQ(blockFrame.x + blockFrame.width, client.x + client.width - 8);
    known.push_back(block);
    movePointer(blockFrame.x + blockFrame.width - 2, blockFrame.y + 2);
    runTool({"xdotool", "click", "1"});
    const unsigned long mini = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(mini, 0u) << log();
    known.push_back(mini);
    EXPECT_TRUE(exists(terminalWindow)) << "the click closed xterm";

    // The editor's buttons sit in its own title bar, 37 pixels high under GTK's theme: the
    // block keeps below it.
    const Geometry editorArea = clientAreaOf(editorWindow);
    const unsigned long editorBlock = restInCorner(glimra, "Mousepad", middleOf(editorArea),
                                                   {editorArea.x + editorArea.width - 20, editorArea.y + 52});
    ASSERT_NE(editorBlock, 0u) << log();
    EXPECT_GE(geometryOf(editorBlock).y, editorArea.y + 37);
    movePointer(700, 1000);
    EXPECT_TRUE(waitUntil([&] { return triggerBlockOf(glimra.pid()) == 0; }, 5));

    // Right Ctrl, the hold key, held with another key is Ctrl+A: no mini window hides, and
    // the log says why; held alone it still hides them until it comes up.
    runTool({"xdotool", "keydown", "Control_R", "key", "a"});
    EXPECT_FALSE(waitUntil([&] { return !shown(mini); }, 1)) << "Ctrl+A hid the mini window";
    runTool({"xdotool", "keyup", "Control_R"});
    EXPECT_TRUE(waitUntil([&] { return occurrences(log(), " 与别的键组合使用 ⇒ ") == 1; }, 3)) << log();
    runTool({"xdotool", "keydown", "Control_R"});
    EXPECT_TRUE(waitUntil([&] { return !shown(mini); }, 3)) << log();
    runTool({"xdotool", "keyup", "Control_R"});
    EXPECT_TRUE(waitUntil([&] { return shown(mini); }, 3)) << log();

    // A drag on the left edge strip resizes the mini window as the grip does.
    const Geometry small = geometryOf(mini);
    const int y = small.y + small.height / 2;
    movePointer(small.x + 2, y);
    runTool({"xdotool", "mousedown", "1"});
    for (int step = 1; step <= 4; ++step) movePointer(small.x + 2 - 20 * step, y);
    runTool({"xdotool", "mouseup", "1"});
    EXPECT_TRUE(waitUntil([&] { return geometryOf(mini).width >= small.width + 60; }, 3))
        << "still " << geometryOf(mini).width << " wide instead of " << small.width << " + 80; log:\n"
        << log();
    EXPECT_GT(geometryOf(mini).height, small.height) << "the aspect ratio was not kept";

    // Pinning takes xterm into the preview and says nothing of the event tap, which the
    // launch named once.
    movePointerOnto(middleOf(geometryOf(mini)).x, middleOf(geometryOf(mini)).y);
    ASSERT_NE(glimra.waitForNewPictureWindow(known, 5), 0u) << "no hover preview; log:\n" << log();
    runTool({"xdotool", "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return log().find("接管预览: 源窗口移至") != std::string::npos; }, 5)) << log();
    runTool({"xdotool", "key", "Escape"});
    EXPECT_TRUE(waitUntil([&] { return log().find("Esc(全局)→退出固定") != std::string::npos; }, 5)) << log();
    EXPECT_EQ(occurrences(log(), "固定预览顶边条: 此桌面没有事件 tap"), 1u) << log();
    EXPECT_EQ(occurrences(log(), "tap 创建失败"), 0u) << log();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
