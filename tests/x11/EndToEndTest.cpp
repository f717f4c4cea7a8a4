#include "platform/x11/X11KeyMap.h"
#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/KeyGrabClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testsupport::runTool;
using testsupport::waitUntil;

std::vector<unsigned long> idsIn(const std::string& text)
{
    std::vector<unsigned long> ids;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) ids.push_back(std::stoul(line));
    return ids;
}

// The mapped windows that carry the process's pid.
std::vector<unsigned long> visibleWindowsOf(pid_t pid)
{
    return idsIn(runTool({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}));
}

// The window's pixels as the screen shows them (an xwd dump: header and pixels).
std::string pixelsOf(unsigned long window)
{
    return runTool({"xwd", "-id", std::to_string(window), "-silent"});
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry geometryOf(unsigned long window)
{
    std::map<std::string, int> values;
    std::istringstream lines(runTool({"xdotool", "getwindowgeometry", "--shell", std::to_string(window)}));
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
    return {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

// Puts the window's top-left at the point: the window manager places a moved window by its
// frame, so a first move tells how far it lands off and a second one makes up for it.
void moveWindowTo(unsigned long window, int x, int y)
{
    const auto move = [&](int toX, int toY) {
        runTool({"xdotool", "windowmove", "--sync", std::to_string(window), std::to_string(toX), std::to_string(toY)});
    };
    move(x, y);
    const Geometry landed = geometryOf(window);
    if (landed.x != x || landed.y != y) move(2 * x - landed.x, 2 * y - landed.y);
}

int screenWidth()
{
    const std::string size = runTool({"xdotool", "getdisplaygeometry"});
    return size.empty() ? 0 : std::stoi(size);
}

// Without a tray the status item is a button window of the process's own at the top right
// of the screen; 0 while there is none.
unsigned long statusButtonOf(pid_t pid)
{
    const int right = screenWidth();
    for (const unsigned long window : visibleWindowsOf(pid)) {
        const Geometry frame = geometryOf(window);
        if (frame.width > 1 && frame.x + frame.width >= right - 120 && frame.y < 120) return window;
    }
    return 0;
}

// A window of the process's, not among those known, that is big enough to show a picture.
unsigned long newPictureWindowOf(pid_t pid, const std::vector<unsigned long>& known)
{
    for (const unsigned long window : visibleWindowsOf(pid)) {
        if (std::find(known.begin(), known.end(), window) != known.end()) continue;
        const Geometry frame = geometryOf(window);
        if (frame.width >= 64 && frame.height >= 48) return window;
    }
    return 0;
}

// Whether the window's pixels change three times, each within the time: a clock that
// ticks each second does, a frozen picture does not (the first changes could be the
// mini window's own appearance).
bool keepsChanging(unsigned long window, double seconds)
{
    for (int change = 0; change < 3; ++change) {
        const std::string before = pixelsOf(window);
        if (before.empty()) return false;
        if (!waitUntil([&] { return pixelsOf(window) != before; }, seconds)) return false;
    }
    return true;
}

// The user's folders of a fresh glimra, seeded so that neither the first-run guide nor the
// update check comes up.
class UserFolders {
public:
    UserFolders()
    {
        for (const char* name : {"config", "config/Glimra", "data", "runtime"}) {
            std::filesystem::create_directory(path(name));
            std::filesystem::permissions(path(name), std::filesystem::perms::owner_all);
        }
        testsupport::writeFile(path("config/Glimra/defaults.json"),
                               "{\"onboardingCompleted\": true, \"updateLastCheckAt\": " +
                                   std::to_string(std::time(nullptr)) + "}\n");
    }
    std::string path(const std::string& name) const { return home_.path() + "/" + name; }
    const std::string& home() const { return home_.path(); }
    std::map<std::string, std::string> environment() const
    {
        return {{"XDG_CONFIG_HOME", path("config")},
                {"XDG_DATA_HOME", path("data")},
                {"XDG_RUNTIME_DIR", path("runtime")}};
    }

private:
    testsupport::TempDir home_;
};

TEST(X11EndToEnd, MirrorsTheSmallestWindowLiveAlsoWhileCoveredAndQuitsOnSigterm)
{
    testsupport::X11Client clock({"xclock", "-update", "1", "-geometry", "164x164+120+160"});
    testsupport::X11Client terminal({"xterm", "-geometry", "80x24+520+160"});
    const unsigned long clockWindow = clock.waitForWindow("XClock");
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(clockWindow, 0u);
    ASSERT_NE(terminalWindow, 0u);

    const UserFolders folders;
    testsupport::GlimraChild glimra({}, folders.home(), folders.environment());
    ASSERT_TRUE(glimra.started());
    unsigned long statusButton = 0;
    ASSERT_TRUE(waitUntil([&] { return (statusButton = statusButtonOf(glimra.pid())) != 0; }, 30))
        << "no status item appeared; stderr: " << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());

    glimra.signal(SIGUSR2);
    unsigned long mini = 0;
    ASSERT_TRUE(waitUntil([&] { return (mini = newPictureWindowOf(glimra.pid(), before)) != 0; }, 10))
        << "SIGUSR2 made no mini window; stderr: " << glimra.err();
    EXPECT_TRUE(keepsChanging(mini, 3)) << "the mini window does not follow the clock";
    // The button keeps the top band out of the work area, so the mini window tiles below it.
    const Geometry button = geometryOf(statusButton);
    EXPECT_GE(geometryOf(mini).y, button.y + button.height) << "the mini window covers the status item";

    const Geometry clockFrame = geometryOf(clockWindow);
    // A little above and left of the clock, so that the terminal's border covers it too.
    moveWindowTo(terminalWindow, clockFrame.x - 30, clockFrame.y - 30);
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    const Geometry terminalFrame = geometryOf(terminalWindow);
    ASSERT_LE(terminalFrame.x, clockFrame.x);
    ASSERT_LE(terminalFrame.y, clockFrame.y);
    ASSERT_GE(terminalFrame.x + terminalFrame.width, clockFrame.x + clockFrame.width);
    ASSERT_GE(terminalFrame.y + terminalFrame.height, clockFrame.y + clockFrame.height);
    EXPECT_TRUE(keepsChanging(mini, 3)) << "the mini window froze while xterm covers xclock";

    glimra.signal(SIGTERM);
    EXPECT_EQ(glimra.waitForExit(3), 0) << glimra.err();
}

// A covered window that does not change is only idle on X11: the mirror neither tries to
// rescue it from the cover nor says it froze.
TEST(X11EndToEnd, AnIdleCoveredWindowIsNeitherRescuedNorCalledFrozen)
{
    testsupport::X11Client terminal({"xterm", "-geometry", "20x5+300+300"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    const UserFolders folders;
    testsupport::GlimraChild glimra({}, folders.home(), folders.environment());
    ASSERT_TRUE(glimra.started());
    ASSERT_TRUE(waitUntil([&] { return statusButtonOf(glimra.pid()) != 0; }, 30)) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.signal(SIGUSR2);
    ASSERT_TRUE(waitUntil([&] { return newPictureWindowOf(glimra.pid(), before) != 0; }, 10)) << glimra.err();

    const Geometry terminalFrame = geometryOf(terminalWindow);
    testsupport::X11Client cover({"xlogo", "-geometry",
                                  std::to_string(terminalFrame.width + 200) + "x" +
                                      std::to_string(terminalFrame.height + 200) + "+" +
                                      std::to_string(terminalFrame.x - 100) + "+" + std::to_string(terminalFrame.y - 100)});
    const unsigned long coverWindow = cover.waitForWindow("XLogo");
    ASSERT_NE(coverWindow, 0u);
    moveWindowTo(coverWindow, terminalFrame.x - 100, terminalFrame.y - 100);

    const auto log = [&] { return testsupport::readFile(folders.path("data/Glimra/diag.log")); };
    const bool complained = waitUntil(
        [&] {
            const std::string text = log();
            return text.find("遮挡自救") != std::string::npos || text.find("定格提示: 显示") != std::string::npos;
        },
        5);
    EXPECT_FALSE(complained) << log();

    glimra.signal(SIGTERM);
    EXPECT_EQ(glimra.waitForExit(3), 0) << glimra.err();
}

// A monitor that goes away under a mini window: the window manager leaves a sliver of it on
// the screen at most; the mini window comes back wholly, and the log says what is left.
TEST(X11EndToEnd, AMiniWindowOnARemovedMonitorComesBackWhole)
{
    testsupport::X11Client clock({"xclock", "-update", "1", "-geometry", "150x150+100+100"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);

    const UserFolders folders;
    testsupport::GlimraChild glimra({}, folders.home(), folders.environment());
    ASSERT_TRUE(glimra.started());
    ASSERT_TRUE(waitUntil([&] { return statusButtonOf(glimra.pid()) != 0; }, 30)) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.signal(SIGUSR2);
    unsigned long mini = 0;
    ASSERT_TRUE(waitUntil([&] { return (mini = newPictureWindowOf(glimra.pid(), before)) != 0; }, 10))
        << glimra.err();

    const int width = screenWidth();
    testsupport::TestMonitor side("GLIMRA-UNPLUG", std::to_string(width) + "/508x1080/286+" + std::to_string(width) + "+0");
    const auto log = [&] { return testsupport::readFile(folders.path("data/Glimra/diag.log")); };
    ASSERT_TRUE(waitUntil([&] { return log().find("GLIMRA-UNPLUG") != std::string::npos; }, 5)) << log();
    moveWindowTo(mini, width + 300, 100);
    ASSERT_GE(geometryOf(mini).x, width);

    side.remove();
    const auto wholeOnScreen = [&] {
        const Geometry frame = geometryOf(mini);
        return frame.x >= 0 && frame.x + frame.width <= width;
    };
    EXPECT_TRUE(waitUntil(wholeOnScreen, 5)) << "the mini window stays at x " << geometryOf(mini).x;
    EXPECT_TRUE(waitUntil([&] { return log().find("X11: displays changed ⇒ 1:") != std::string::npos; }, 5))
        << log();

    ASSERT_TRUE(glimra.running()) << glimra.err();
    glimra.signal(SIGTERM);
    EXPECT_EQ(glimra.waitForExit(3), 0) << glimra.err();
}

// The hot keys are the display's while glimra runs: ⌥⌘P mirrors the window in front, and
// every combination is free for another client once glimra has quit.
TEST(X11EndToEnd, HotKeysAreGrabbedWhileItRunsAndFreedWhenItQuits)
{
    testsupport::X11Client terminal({"xterm", "-geometry", "40x10+300+300"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);

    const UserFolders folders;
    testsupport::GlimraChild glimra({}, folders.home(), folders.environment());
    ASSERT_TRUE(glimra.started());
    ASSERT_TRUE(waitUntil([&] { return statusButtonOf(glimra.pid()) != 0; }, 30)) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());

    const x11::X11KeyMap keys(testsupport::KeyGrabClient().xcb());
    const auto keycodeOf = [&](int keyCode) { return keys.keycodes(keyCode).at(0); };
    constexpr std::uint16_t altSuper = XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    // P, T, W, M, B, F and R.
    const int hotKeyCodes[] = {0x23, 0x11, 0x0D, 0x2E, 0x0B, 0x03, 0x0F};
    // Glimra has registered its hot keys once it names how it watches the hold key: a grab
    // tried before that would take a combination from it.
    const auto log = [&] { return testsupport::readFile(folders.path("data/Glimra/diag.log")); };
    ASSERT_TRUE(waitUntil([&] { return log().find("按住热键:") != std::string::npos; }, 30)) << glimra.err();
    {
        testsupport::KeyGrabClient other;
        for (const int code : hotKeyCodes) EXPECT_FALSE(other.grab(keycodeOf(code), altSuper)) << code;
    }

    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    runTool({"xdotool", "key", "super+alt+p"});
    EXPECT_TRUE(waitUntil([&] { return newPictureWindowOf(glimra.pid(), before) != 0; }, 10))
        << "⌥⌘P made no mini window; stderr: " << glimra.err();

    glimra.signal(SIGTERM);
    EXPECT_EQ(glimra.waitForExit(3), 0) << glimra.err();
    testsupport::KeyGrabClient other;
    for (const int code : hotKeyCodes) EXPECT_TRUE(other.grab(keycodeOf(code), altSuper)) << code;
}

// Holding Right Ctrl, the hold key fn on X11, hides the mini windows; letting go shows them.
TEST(X11EndToEnd, HoldingRightCtrlHidesTheMiniWindowsUntilReleased)
{
    testsupport::X11Client clock({"xclock", "-geometry", "120x120+200+200"});
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    const UserFolders folders;
    testsupport::GlimraChild glimra({}, folders.home(), folders.environment());
    ASSERT_TRUE(glimra.started());
    ASSERT_TRUE(waitUntil([&] { return statusButtonOf(glimra.pid()) != 0; }, 30)) << glimra.err();
    const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
    glimra.signal(SIGUSR2);
    unsigned long mini = 0;
    ASSERT_TRUE(waitUntil([&] { return (mini = newPictureWindowOf(glimra.pid(), before)) != 0; }, 10)) << glimra.err();
    const auto shown = [&] {
        const auto windows = visibleWindowsOf(glimra.pid());
        return std::find(windows.begin(), windows.end(), mini) != windows.end();
    };

    runTool({"xdotool", "keydown", "Control_R"});
    EXPECT_TRUE(waitUntil([&] { return !shown(); }, 5)) << glimra.err();
    runTool({"xdotool", "keyup", "Control_R"});
    EXPECT_TRUE(waitUntil(shown, 5)) << glimra.err();

    glimra.signal(SIGTERM);
    EXPECT_EQ(glimra.waitForExit(3), 0) << glimra.err();
}

}  // namespace
