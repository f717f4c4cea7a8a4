#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DamageWatch.h"
#include "platform/x11/X11KeyMap.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/KeyGrabClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <variant>
#include <vector>

namespace {

using namespace testsupport;

TEST(X11EndToEnd, MirrorsTheSmallestWindowLiveAlsoWhileCoveredAndQuitsOnSigterm)
{
    X11Client clock({"xclock", "-update", "1", "-geometry", "164x164+120+160"});
    X11Client terminal({"xterm", "-geometry", "80x24+520+160"});
    const unsigned long clockWindow = clock.waitForWindow("XClock");
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(clockWindow, 0u);
    ASSERT_NE(terminalWindow, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << "no status item appeared; stderr: " << glimra.err();
    const unsigned long statusButton = statusButtonOf(glimra.pid());
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());

    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << "SIGUSR2 made no mini window; stderr: " << glimra.err();
    EXPECT_TRUE(keepsChanging(mini, 3)) << "the mini window does not follow the clock";
    // The button keeps the top band out of the work area, so the mini window tiles below it.
    const Geometry button = geometryOf(statusButton);
    EXPECT_GE(geometryOf(mini).y, button.y + button.height) << "the mini window covers the status item";

    const Geometry clockFrame = geometryOf(clockWindow);
    // A little above and left of the clock, so that the terminal's border covers it too.
    moveWindowTo(terminalWindow, clockFrame.x - 30, clockFrame.y - 30);
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    // On a loaded machine the move, or the terminal's own sizing, may land after the activation.
    const auto covers = [&](const Geometry& frame) {
        return frame.x <= clockFrame.x && frame.y <= clockFrame.y &&
               frame.x + frame.width >= clockFrame.x + clockFrame.width &&
               frame.y + frame.height >= clockFrame.y + clockFrame.height;
    };
    waitUntil([&] { return covers(geometryOf(terminalWindow)); });
    const Geometry terminalFrame = geometryOf(terminalWindow);
    ASSERT_LE(terminalFrame.x, clockFrame.x);
    ASSERT_LE(terminalFrame.y, clockFrame.y);
    ASSERT_GE(terminalFrame.x + terminalFrame.width, clockFrame.x + clockFrame.width);
    ASSERT_GE(terminalFrame.y + terminalFrame.height, clockFrame.y + clockFrame.height);
    EXPECT_TRUE(keepsChanging(mini, 3)) << "the mini window froze while xterm covers xclock";

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// A covered window that does not change is only idle on X11: the mirror neither tries to
// rescue it from the cover nor says it froze, and its mini window, handed the same picture
// every interval, draws nothing.
TEST(X11EndToEnd, AnIdleCoveredWindowIsNeitherRescuedNorCalledFrozenNorRepainted)
{
    X11Client terminal({"xterm", "-geometry", "20x5+300+300"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << glimra.err();
    auto opened = x11::Connection::open();
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<x11::Connection>>(opened));
    x11::DamageWatch drawn(std::get<std::shared_ptr<x11::Connection>>(opened), static_cast<xcb_window_t>(mini));

    const Geometry terminalFrame = geometryOf(terminalWindow);
    X11Client cover({"xlogo", "-geometry",
                     std::to_string(terminalFrame.width + 200) + "x" + std::to_string(terminalFrame.height + 200) +
                         "+" + std::to_string(terminalFrame.x - 100) + "+" + std::to_string(terminalFrame.y - 100)});
    const unsigned long coverWindow = cover.waitForWindow("XLogo");
    ASSERT_NE(coverWindow, 0u);
    moveWindowTo(coverWindow, terminalFrame.x - 100, terminalFrame.y - 100);
    // The terminal's cursor turning hollow as the cover takes the focus, and the notice
    // that waited for the first picture fading.
    waitUntil([] { return false; }, 1.5);
    drawn.takeChange();

    const auto log = [&] { return glimra.log(); };
    const bool complained = waitUntil(
        [&] {
            const std::string text = log();
            return text.find("遮挡自救") != std::string::npos || text.find("定格提示: 显示") != std::string::npos;
        },
        5);
    EXPECT_FALSE(complained) << log();
    EXPECT_FALSE(drawn.takeChange()) << "the mini window of an idle window was drawn again";

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// A monitor that goes away under a mini window: the mini window comes back wholly on the
// monitor left, and the log says what is left.
TEST(X11EndToEnd, AMiniWindowOnARemovedMonitorComesBackWhole)
{
    X11Client clock({"xclock", "-update", "1", "-geometry", "150x150+100+100"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << glimra.err();

    // The screen split in two monitors, the right one to be unplugged.
    const int half = screenWidth() / 2;
    const std::string halfGeometry = std::to_string(half) + "/254x1080/286+";
    TestMonitor left("*GLIMRA-LEFT", halfGeometry + "0+0", "screen");
    TestMonitor side("GLIMRA-UNPLUG", halfGeometry + std::to_string(half) + "+0");
    const auto log = [&] { return glimra.log(); };
    ASSERT_TRUE(waitUntil([&] { return log().find("GLIMRA-UNPLUG") != std::string::npos; }, 5)) << log();
    moveWindowTo(mini, half + 300, 100);
    ASSERT_GE(geometryOf(mini).x, half);

    side.remove();
    const auto wholeOnTheLeft = [&] {
        const Geometry frame = geometryOf(mini);
        return frame.x >= 0 && frame.x + frame.width <= half;
    };
    EXPECT_TRUE(waitUntil(wholeOnTheLeft, 5)) << "the mini window stays at x " << geometryOf(mini).x;
    EXPECT_TRUE(waitUntil([&] { return log().find("X11: displays changed ⇒ 1:") != std::string::npos; }, 5)) << log();

    ASSERT_TRUE(glimra.process().running()) << glimra.err();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// The hot keys are the display's while glimra runs: ⌥⌘P mirrors the window in front, and
// every combination is free for another client once glimra has quit.
TEST(X11EndToEnd, HotKeysAreGrabbedWhileItRunsAndFreedWhenItQuits)
{
    X11Client terminal({"xterm", "-geometry", "40x10+300+300"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    GlimraOnDesktop glimra;
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());

    const x11::X11KeyMap keys(KeyGrabClient().xcb());
    const auto keycodeOf = [&](int keyCode) { return keys.keycodes(keyCode).at(0); };
    constexpr std::uint16_t altSuper = XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    // P, T, W, M, B, F and R.
    const int hotKeyCodes[] = {0x23, 0x11, 0x0D, 0x2E, 0x0B, 0x03, 0x0F};
    // A grab tried before glimra registered its hot keys would take a combination from it.
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    {
        KeyGrabClient other;
        for (const int code : hotKeyCodes) EXPECT_FALSE(other.grab(keycodeOf(code), altSuper)) << code;
    }

    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    runTool({"xdotool", "key", "super+alt+p"});
    EXPECT_TRUE(waitUntil([&] { return newPictureWindowOf(glimra.pid(), before) != 0; }, 10))
        << "⌥⌘P made no mini window; log:\n"
        << glimra.log() << "stderr: " << glimra.err();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
    KeyGrabClient other;
    for (const int code : hotKeyCodes) EXPECT_TRUE(other.grab(keycodeOf(code), altSuper)) << code;
}

// Holding Right Ctrl, the hold key fn on X11, hides the mini windows; letting go shows them.
TEST(X11EndToEnd, HoldingRightCtrlHidesTheMiniWindowsUntilReleased)
{
    X11Client clock({"xclock", "-geometry", "120x120+200+200"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    const unsigned long mini = glimra.waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << glimra.err();
    const auto shown = [&] { return isVisibleWindowOf(glimra.pid(), mini); };

    runTool({"xdotool", "keydown", "Control_R"});
    EXPECT_TRUE(waitUntil([&] { return !shown(); }, 5)) << glimra.err();
    runTool({"xdotool", "keyup", "Control_R"});
    EXPECT_TRUE(waitUntil(shown, 5)) << glimra.err();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// SIGUSR1's probe posts its scrolls through XTest at the pointer: the pointer stays put and
// glimra carries on.
TEST(X11EndToEnd, TheScrollProbePostsAtThePointerWithoutMovingIt)
{
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    ASSERT_TRUE(movePointer(400, 300));

    glimra.process().signal(SIGUSR1);
    ASSERT_TRUE(waitUntil([&] { return glimra.log().find("═══ 滚动探针v6结束 ═══") != std::string::npos; }, 10))
        << glimra.log();
    const std::string log = glimra.log();
    for (const char* tag : {"探针[Q1-field21窗口号]", "探针[Q2-field21+location]"}) {
        const auto line = log.find(tag);
        ASSERT_NE(line, std::string::npos) << log;
        EXPECT_NE(log.substr(line, log.find('\n', line) - line).find("✓不动"), std::string::npos) << log;
    }
    EXPECT_EQ(pointer().x, 400);
    EXPECT_EQ(pointer().y, 300);
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
