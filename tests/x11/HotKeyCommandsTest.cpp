#include "platform/x11/X11KeyMap.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/KeyGrabClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// What each global hot key does, seen from outside: glimra's windows as X shows them, the
// pointer where X has it and glimra's log.
namespace {

using namespace testsupport;

void press(const std::string& combination) { runTool({"xdotool", "key", combination}); }

// Whether the window shows the same pixels for the whole time.
bool holdsStill(unsigned long window, double seconds)
{
    const std::string shown = pixelsOf(window);
    return !shown.empty() && !waitUntil([&] { return pixelsOf(window) != shown; }, seconds);
}

bool near(const Geometry& a, const Geometry& b)
{
    return std::abs(a.x - b.x) <= 2 && std::abs(a.y - b.y) <= 2 && std::abs(a.width - b.width) <= 2 &&
           std::abs(a.height - b.height) <= 2;
}

// The screen's monitors for one test, given back to the one of the whole screen at its end.
class MonitorsForTest {
public:
    // Each as name and xrandr geometry; the first one takes the screen's output.
    explicit MonitorsForTest(std::vector<std::pair<std::string, std::string>> monitors) : monitors_(std::move(monitors))
    {
        const char* output = "screen";
        for (const auto& [name, geometry] : monitors_) {
            runTool({"xrandr", "--setmonitor", name, geometry, output});
            output = "none";
        }
    }
    ~MonitorsForTest()
    {
        for (const auto& monitor : monitors_) runTool({"xrandr", "--delmonitor", monitor.first});
    }
    MonitorsForTest(const MonitorsForTest&) = delete;
    MonitorsForTest& operator=(const MonitorsForTest&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> monitors_;
};

// Two mini windows, one of a ticking clock, go through pausing, hiding, tiling and closing.
TEST(X11HotKeyCommands, PauseShowHideTileAndCloseAllActOnEveryMiniWindow)
{
    X11Client clock({"xclock", "-update", "1", "-geometry", "120x120+100+150"});
    X11Client terminal({"xterm", "-geometry", "40x10+600+300"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> none = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);
    const unsigned long clockMini = glimra.waitForNewPictureWindow(none);
    ASSERT_NE(clockMini, 0u) << glimra.err();
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    const std::vector<unsigned long> withClockMini = visibleWindowsOf(glimra.pid());
    press("super+alt+p");
    const unsigned long terminalMini = glimra.waitForNewPictureWindow(withClockMini);
    ASSERT_NE(terminalMini, 0u) << glimra.err();
    const auto shown = [&](unsigned long window) { return isVisibleWindowOf(glimra.pid(), window); };

    press("super+alt+m");
    EXPECT_TRUE(waitUntil([&] { return holdsStill(clockMini, 2.5); }, 10)) << "the paused clock still ticks";
    press("super+alt+m");
    EXPECT_TRUE(keepsChanging(clockMini, 3)) << "the clock does not tick again after the second ⌥⌘M";

    press("super+alt+b");
    EXPECT_TRUE(waitUntil([&] { return !shown(clockMini) && !shown(terminalMini); }, 5));
    press("super+alt+b");
    EXPECT_TRUE(waitUntil([&] { return shown(clockMini) && shown(terminalMini); }, 5));

    // A new mini window is tiled in: ⌥⌘T puts a moved one back there.
    const Geometry tiled = geometryOf(terminalMini);
    moveWindowTo(terminalMini, tiled.x - 400, tiled.y + 300);
    ASSERT_FALSE(near(geometryOf(terminalMini), tiled));
    press("super+alt+t");
    EXPECT_TRUE(waitUntil([&] { return near(geometryOf(terminalMini), tiled); }, 5))
        << "at " << geometryOf(terminalMini).x << "," << geometryOf(terminalMini).y << " instead of " << tiled.x << ","
        << tiled.y;

    press("super+alt+w");
    EXPECT_TRUE(waitUntil([&] { return newPictureWindowOf(glimra.pid(), none) == 0; }, 5))
        << "a mini window outlived ⌥⌘W";

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// ⌥⌘F covers the screen for a selection that Escape ends; a drag across xterm makes a
// mini window of the dragged region.
TEST(X11HotKeyCommands, FocusCreateStartsARegionSelectionThatEscapeEndsOrADragCompletes)
{
    X11Client terminal({"xterm", "-geometry", "80x24+300+200"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    const auto log = [&] { return glimra.log(); };
    const auto overlay = [&] {
        for (const unsigned long window : visibleWindowsOf(glimra.pid()))
            if (geometryOf(window).width >= screenWidth()) return window;
        return 0ul;
    };

    press("super+alt+f");
    EXPECT_TRUE(waitUntil([&] { return log().find("框选: 开始 受限窗口=无") != std::string::npos; }, 5)) << log();
    EXPECT_TRUE(waitUntil([&] { return overlay() != 0; }, 5)) << "no overlay covers the screen";
    press("Escape");
    EXPECT_TRUE(waitUntil([&] { return log().find("框选: 取消（Esc）") != std::string::npos; }, 5)) << log();
    EXPECT_TRUE(waitUntil([&] { return overlay() == 0; }, 5));

    press("super+alt+f");
    ASSERT_TRUE(waitUntil([&] { return overlay() != 0; }, 5));
    const Geometry frame = geometryOf(terminalWindow);
    const auto at = [](int value) { return std::to_string(value); };
    // At a hand's pace: the selector follows the pointer at its own ticks.
    runTool({"xdotool", "mousemove", "--sync",    at(frame.x + 20),  at(frame.y + 20),  "mousedown",      "1",
             "sleep",   "0.1",       "mousemove", "--sync",          at(frame.x + 120), at(frame.y + 90), "sleep",
             "0.1",     "mousemove", "--sync",    at(frame.x + 220), at(frame.y + 160), "sleep",          "0.1",
             "mouseup", "1"});
    EXPECT_NE(glimra.waitForNewPictureWindow(before), 0u) << log();
    EXPECT_TRUE(waitUntil([&] { return log().find("框选建窗（⌥⌘F / 悬停⌥拖拽）") != std::string::npos; }, 5)) << log();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// ⌥⌘R leaves a pointer that is on a display where it is and brings one that is between
// the displays onto the nearest.
TEST(X11HotKeyCommands, FindThePointerBringsItBackFromBetweenTheDisplays)
{
    const MonitorsForTest monitors(
        {{"GLIMRA-LEFT", "800/212x1080/286+0+0"}, {"GLIMRA-RIGHT", "800/212x1080/286+1120+0"}});
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const auto log = [&] { return glimra.log(); };

    ASSERT_TRUE(movePointer(400, 500));
    press("super+alt+r");
    EXPECT_TRUE(waitUntil([&] { return log().find("光标逃生：光标本来就在真屏上（400,500）") != std::string::npos; }, 5))
        << log();
    EXPECT_EQ(pointer().x, 400);

    ASSERT_TRUE(movePointer(900, 500));
    press("super+alt+r");
    EXPECT_TRUE(waitUntil([&] { return pointer().x < 800; }, 5)) << "the pointer stays at x " << pointer().x;
    EXPECT_EQ(pointer().y, 500);
    EXPECT_EQ(occurrences(log(), "光标逃生：收到热键"), 2u) << log();
    EXPECT_NE(log().find("落点合法=true"), std::string::npos) << log();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

constexpr std::uint16_t altSuper = XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
// The keys of the seven combinations: P, M, B, W, T, F and R.
constexpr int hotKeyCodes[] = {0x23, 0x2E, 0x0B, 0x0D, 0x11, 0x03, 0x0F};

// Which of the seven ⌥⌘ combinations another client can grab now.
std::vector<int> grabbableCombinations()
{
    KeyGrabClient other;
    const x11::X11KeyMap keys(other.xcb());
    std::vector<int> free;
    for (const int code : hotKeyCodes)
        if (other.grab(keys.keycodes(code).at(0), altSuper)) free.push_back(code);
    return free;
}

// A combination another client took before launch and a stored key X has no key for each
// cost one hot key and one log line; the others work, and all are free after quit.
TEST(X11HotKeyBadInput, ATakenCombinationAndAKeyWithoutXKeyLeaveTheOthersWorking)
{
    X11Client terminal({"xterm", "-geometry", "40x10+300+300"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    auto holder = std::make_unique<KeyGrabClient>();
    const x11::X11KeyMap keys(holder->xcb());
    ASSERT_TRUE(holder->grab(keys.keycodes(0x11).at(0), altSuper));

    // Key 93 is the JIS keyboard's Yen key, which no X key stands for.
    GlimraOnDesktop glimra("\"closeAllHotKeyCode\": 93, \"closeAllHotKeyFlags\": 2304");
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::string log = glimra.log();
    EXPECT_EQ(occurrences(log, "热键: tileAllHotKey 的组合 Alt+Super+T 注册失败"), 1u) << log;
    EXPECT_EQ(occurrences(log, "热键: closeAllHotKey 的组合 Alt+Super+Key93 注册失败"), 1u) << log;
    EXPECT_EQ(occurrences(log, "注册失败"), 2u) << log;
    holder.reset();
    // W is free as glimra does not want it; T stays the holder's until it lets go.
    EXPECT_EQ(grabbableCombinations(), (std::vector<int>{0x0D, 0x11}));

    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    press("super+alt+p");
    EXPECT_NE(glimra.waitForNewPictureWindow(before), 0u) << glimra.log();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
    EXPECT_EQ(grabbableCombinations().size(), std::size(hotKeyCodes));
}

// Every hot key pressed after the mirrored window's client died: glimra keeps running
// and gives every combination back when it quits.
TEST(X11HotKeyBadInput, HotKeysPressedAfterTheMirroredClientDiedHarmNothing)
{
    X11Client terminal({"xterm", "-geometry", "40x10+300+300"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    press("super+alt+p");
    ASSERT_NE(glimra.waitForNewPictureWindow(before), 0u) << glimra.log();

    terminal.end();
    for (const char* combination : {"super+alt+p", "super+alt+t", "super+alt+m", "super+alt+b", "super+alt+b",
                                    "super+alt+r", "super+alt+p", "super+alt+w", "super+alt+t"})
        press(combination);
    press("super+alt+f");
    // Every press ran its command, ⌥⌘P included, which finds no window in front to mirror.
    EXPECT_TRUE(waitUntil([&] { return occurrences(glimra.log(), "小窗化当前窗口: 触发") == 3; }, 5)) << glimra.log();
    EXPECT_EQ(occurrences(glimra.log(), "光标逃生：收到热键"), 1u);
    ASSERT_TRUE(waitUntil([&] { return glimra.log().find("框选: 开始") != std::string::npos; }, 5)) << glimra.log();
    press("Escape");
    EXPECT_TRUE(waitUntil([&] { return glimra.log().find("框选: 取消（Esc）") != std::string::npos; }, 5))
        << glimra.log();

    ASSERT_TRUE(glimra.process().running()) << glimra.err();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
    EXPECT_EQ(grabbableCombinations().size(), std::size(hotKeyCodes));
}

}  // namespace
