#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

int screenHeight()
{
    const std::string size = runTool({"xdotool", "getdisplaygeometry"});
    const auto blank = size.find(' ');
    return blank == std::string::npos ? 0 : std::stoi(size.substr(blank + 1));
}

std::string lineAt(const std::string& text, std::size_t at) { return text.substr(at, text.find('\n', at) - at); }

// The numbers written in the text, in order (whatever the locale).
std::vector<double> numbersIn(const std::string& text)
{
    std::vector<double> numbers;
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        double number = 0;
        const auto [next, error] = std::from_chars(at, end, number);
        if (error == std::errc{}) {
            numbers.push_back(number);
            at = next;
        } else {
            ++at;
        }
    }
    return numbers;
}

std::vector<unsigned long> with(std::vector<unsigned long> windows, unsigned long extra)
{
    windows.push_back(extra);
    return windows;
}

class X11TriggerBlock : public ::testing::Test {
protected:
    void TearDown() override { runTool({"xdotool", "keyup", "alt", "mouseup", "1"}); }

    // Rests the pointer in the terminal's top-right corner until the block shows; its id.
    static unsigned long restInCorner(GlimraOnDesktop& glimra, const Geometry& terminal)
    {
        const PointerPoint middle{terminal.x + terminal.width / 2, terminal.y + terminal.height / 2};
        return testsupport::restInCorner(glimra, "XTerm", middle, {terminal.x + terminal.width - 20, terminal.y + 4});
    }
};

// Resting in xterm's corner brings the block up by xterm's top-right corner and a click on
// it mirrors xterm; an Alt-drag from the block across another xterm mirrors the dragged
// region (a window that has a mini window gets no second one).
TEST_F(X11TriggerBlock, ItsClickMirrorsTheWindowAndItsAltDragMirrorsTheDraggedRegion)
{
    // Of another size: a miss over a window is logged once for its owner and size, and the
    // pointer may rest on this one before the test moves it to the other.
    X11Client clicked({"xterm", "-geometry", "80x30+60+260"});
    X11Client dragged({"xterm", "-geometry", "80x24+700+300"});
    const unsigned long clickedWindow = clicked.waitForWindow("XTerm");
    const unsigned long draggedWindow = dragged.waitForWindow("XTerm");
    ASSERT_NE(clickedWindow, 0u);
    ASSERT_NE(draggedWindow, 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();

    const Geometry terminal = geometryOf(clickedWindow);
    const auto before = visibleWindowsOf(glimra.pid());
    const unsigned long block = restInCorner(glimra, terminal);
    ASSERT_NE(block, 0u) << glimra.log();
    const Geometry shown = geometryOf(block);
    EXPECT_LE(shown.x + shown.width, terminal.x + terminal.width);
    EXPECT_GE(shown.x + shown.width, terminal.x + terminal.width - 16);
    EXPECT_GE(shown.y, terminal.y - 32) << "the block lies below xterm's top edge";
    EXPECT_LE(shown.y, terminal.y + 16);

    movePointer(shown.x + shown.width / 2, shown.y + shown.height / 2);
    runTool({"xdotool", "click", "1"});
    const unsigned long mirror = glimra.waitForNewPictureWindow(with(before, block));
    ASSERT_NE(mirror, 0u) << glimra.log();
    const std::string afterClick = glimra.log();
    const auto created = afterClick.find("原因=[悬停触发块·点击]");
    ASSERT_NE(created, std::string::npos) << afterClick;
    EXPECT_NE(afterClick.find("窗口#" + std::to_string(clickedWindow), created), std::string::npos) << afterClick;

    // The Alt-drag: from the block down to the left, across the other xterm.
    const Geometry other = geometryOf(draggedWindow);
    const auto beforeDrag = visibleWindowsOf(glimra.pid());
    const unsigned long again = restInCorner(glimra, other);
    ASSERT_NE(again, 0u) << glimra.log();
    const Geometry from = geometryOf(again);
    const int startX = from.x + from.width / 2;
    const int startY = from.y + from.height / 2;
    movePointer(startX, startY);
    runTool({"xdotool", "keydown", "alt", "mousedown", "1"});
    ASSERT_TRUE(waitUntil([&] { return glimra.log().find("框选: 开始 受限窗口=") != std::string::npos; }, 5))
        << glimra.log();
    const int endX = other.x + 100;
    const int endY = startY + 150;
    for (int step = 1; step <= 5; ++step)
        movePointer(startX + (endX - startX) * step / 5, startY + (endY - startY) * step / 5);
    runTool({"xdotool", "mouseup", "1", "keyup", "alt"});

    // The region selector's own window may still be up when the drag ends: the log tells
    // when the focus mini window is made and locked onto the region.
    const std::string made = "原因=[框选建窗（⌥⌘F / 悬停⌥拖拽）]";
    const std::string locked = "聚焦: 建窗锁定 x=";
    ASSERT_TRUE(waitUntil([&] { return glimra.log().find(locked) != std::string::npos; }, 10)) << glimra.log();
    EXPECT_NE(glimra.waitForNewPictureWindow(with(beforeDrag, again)), 0u) << glimra.log();
    const std::string afterDrag = glimra.log();
    const std::string number = std::to_string(draggedWindow);
    EXPECT_NE(afterDrag.find("悬停触发: ⌥ 拖拽 → 进入框选 id=" + number), std::string::npos) << afterDrag;
    const std::string done = "框选: 完成 窗口=" + number + " 屏幕选区=(";
    const auto doneAt = afterDrag.find(done);
    ASSERT_NE(doneAt, std::string::npos) << afterDrag;
    EXPECT_NE(afterDrag.find(made, doneAt), std::string::npos) << afterDrag;

    // The selection (screen points, origin bottom left) runs from where the first tick
    // found the pointer on the way to the release point; the focus mini window locks onto
    // that part of xterm's frame (fractions, origin top left).
    const auto selected = numbersIn(lineAt(afterDrag, doneAt + done.size()));
    ASSERT_GE(selected.size(), 8u) << lineAt(afterDrag, doneAt);
    const double sx = selected[0], sy = selected[1], sw = selected[2], sh = selected[3];
    const double wx = selected[4], wy = selected[5], ww = selected[6], wh = selected[7];
    EXPECT_NEAR(sx, endX, 2);
    EXPECT_NEAR(screenHeight() - sy, endY, 2) << "the selection's bottom is not the release point";
    EXPECT_GT(sw, 100);
    EXPECT_GT(sh, 40);
    const auto lockedAt = afterDrag.find(locked, doneAt);
    ASSERT_NE(lockedAt, std::string::npos) << afterDrag;
    const auto region = numbersIn(lineAt(afterDrag, lockedAt + locked.size()));
    ASSERT_GE(region.size(), 4u) << lineAt(afterDrag, lockedAt);
    const double x = region[0], y = region[1], w = region[2], h = region[3];
    EXPECT_NEAR(x, (sx - wx) / ww, 0.005);
    EXPECT_NEAR(y, (wy + wh - sy - sh) / wh, 0.005);
    EXPECT_NEAR(w, sw / ww, 0.005);
    EXPECT_NEAR(h, sh / wh, 0.005);
    EXPECT_FALSE(isVisibleWindowOf(glimra.pid(), again)) << "the block stayed up after the drag";

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
