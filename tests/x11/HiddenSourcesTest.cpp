#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"
#include "x11/XwdPixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

// How far the frozen banner's grey (black at 0.55 over the terminal's white page) runs
// along a row inside its top edge, above its text; 0 without a banner.
int bannerWidth(unsigned long mini)
{
    const Geometry shown = geometryOf(mini);
    const std::string dump = pixelsOf(mini);
    int longest = 0;
    for (int x = 0, run = 0; x < shown.width; ++x) {
        const long colour = colourAt(dump, x, shown.height - 28);
        bool grey = colour >= 0;
        for (int shift = 0; shift < 24; shift += 8) grey = grey && std::abs((colour >> shift & 0xFF) - 115) <= 25;
        longest = std::max(longest, run = grey ? run + 1 : 0);
    }
    return longest;
}

// xfwm4 reads its settings through the xfconfd its session bus starts: the bus's children
// and the bus are ended by their pids. Its compositor stays off, so that the screen shows
// the mini window's own pixels.
struct SessionBus {
    ~SessionBus()
    {
        std::istringstream children(runTool({"pgrep", "-P", std::to_string(bus.pid())}));
        for (pid_t child; children >> child;) ::kill(child, SIGTERM);
        bus.end();
    }
    TempDir folder;
    const std::string address = "unix:path=" + folder.path() + "/bus";
    X11Client bus{
        {"env", "XDG_CONFIG_HOME=" + folder.path(), "dbus-daemon", "--session", "--nofork", "--address=" + address}};
};

class X11HiddenSources : public ::testing::TestWithParam<std::string> {};

// Minimised, withdrawn by its application (hidden to a tray), on another workspace or
// unmapped while the desktop shows, a window shows nowhere and lives on: its mini window
// keeps the last picture under the frozen banner, which names another workspace (it is
// wider) or a hidden window rather than a minimised application, with no capture-death, full-screen or
// closing notice, and lives again when the window shows. Destroyed, the window takes its mini window along quietly.
TEST_P(X11HiddenSources, TheirMiniWindowsStayFrozenUntilTheyShowAndGoWithThem)
{
    SessionBus session;
    std::vector<std::string> windowManager{GetParam()};
    if (GetParam() == "xfwm4")
        windowManager = {"env", "DBUS_SESSION_BUS_ADDRESS=" + session.address,
                         "XDG_CONFIG_HOME=" + session.folder.path(), "xfwm4", "--compositor=off"};
    TestDisplay display("1920x1080x24", windowManager);
    ASSERT_TRUE(display.ready()) << "no X server of the test's own came up";
    ASSERT_TRUE(askForTwoWorkspaces());
    X11Client terminal({"xterm", "-geometry", "100x30+200+200"});
    const std::string id = std::to_string(terminal.waitForWindow("XTerm"));
    GlimraOnDesktop glimra(R"("appLanguage": 2, "pipDefaultSizeMultiplier": 3)");
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    movePointer(5, 1000);
    const std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);  // the smallest window: the terminal, the only one
    const unsigned long mini = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(mini, 0u) << glimra.log();
    // Hidden before its first picture shows, it would have none to freeze under the banner.
    ASSERT_TRUE(waitUntil([&] {
        const Geometry shown = geometryOf(mini);
        return colourAt(pixelsOf(mini), shown.width / 2, shown.height / 2) == 0xFFFFFF;
    })) << glimra.log();
    const auto logged = [&](const std::string& line, std::size_t from) {
        return glimra.log().find(line, from) != std::string::npos;
    };

    std::vector<int> banners;
    for (const auto& [hide, show] : std::vector<std::pair<std::string, std::string>>{
             {"windowminimize", "windowactivate"},
             {"windowunmap", "windowmap"},
             {"-t 1", "-t 0"},
             {"-k on", "-k off"}}) {
        SCOPED_TRACE(hide);
        const auto act = [&](const std::string& how) {
            if (how.rfind("-t", 0) == 0) return runTool({"wmctrl", "-i", "-r", id, "-t", how.substr(3)});
            if (how.rfind("-k", 0) == 0) return runTool({"wmctrl", "-k", how.substr(3)});
            return runTool({"xdotool", how, "--sync", id});
        };
        auto from = glimra.log().size();
        act(hide);
        // A withdrawn window loses its frame, and its mini window may take the new size:
        // its banner is not measured over the last picture.
        const bool measured = hide != "windowunmap";
        int width = 0;
        EXPECT_TRUE(waitUntil(
            [&] {
                // A stray grey pixel of the terminal is no banner.
                return logged("画面定格: 源窗口已无新帧 id=" + id, from) &&
                       (!measured || (width = bannerWidth(mini)) > 40);
            },
            60))
            << glimra.log();
        if (measured) banners.push_back(width);
        for (const char* notice : {"捕获死亡检测", "全屏检测", "源窗口疑似已关闭"})
            EXPECT_FALSE(logged(notice, from)) << notice << "\n" << glimra.log();
        from = glimra.log().size();
        act(show);
        EXPECT_TRUE(waitUntil([&] { return logged("源窗口状态: visible id=" + id, from); }, 60)) << glimra.log();
    }
    ASSERT_EQ(banners.size(), 3u);
    EXPECT_GT(banners[1], banners[0] + 20);
    // openbox hides the window to show the desktop (xfwm4 and icewm iconify it): so says the banner.
    EXPECT_TRUE(GetParam() != "openbox" || banners[2] != banners[0]) << banners[2];

    const auto from = glimra.log().size();
    terminal.end();
    EXPECT_TRUE(waitUntil([&] { return !isVisibleWindowOf(glimra.pid(), mini); }, 60)) << glimra.log();
    EXPECT_FALSE(logged("捕获死亡检测", from)) << glimra.log();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, X11HiddenSources, ::testing::Values("openbox", "xfwm4", "icewm"));

// A client that unmaps and maps its window again, 75 times a second, is no destroyed
// window, and its coming and going does not flood the log: while it shows nowhere it has
// no frame, and that size is none to follow.
TEST(X11FlappingSource, LivesOnWithoutFloodingTheLog)
{
    X11Client flapping({GLIMRA_SOLID_WINDOW, "240", "160", "flap"});
    ASSERT_NE(flapping.waitForWindow("SolidWindow"), 0u);
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());
    glimra.process().signal(SIGUSR2);  // the smallest window: the only one
    ASSERT_NE(glimra.waitForNewPictureWindow(known), 0u) << glimra.log();
    ASSERT_TRUE(waitUntil([&] { return glimra.log().find("AX观察: 已监听源窗口 resize") != std::string::npos; }))
        << glimra.log();
    ::kill(flapping.pid(), SIGUSR1);
    // A change the source-alive check saw, a second apart at the least; the first once the
    // mini window's start is logged.
    const std::string state = "源窗口状态:";
    ASSERT_TRUE(waitUntil([&] { return occurrences(glimra.log(), state) > 0; }, 20)) << glimra.log();
    const auto from = glimra.log().size();
    const auto span = [&] { return glimra.log().substr(from); };
    ASSERT_TRUE(waitUntil([&] { return occurrences(span(), state) >= 5; }, 60)) << span();
    const std::string seen = span();
    // Nor is its size, which stays as it was, taken for a new one while it comes and goes.
    for (const char* notice : {"源窗口疑似已关闭", "捕获死亡检测", "源窗口实时变化"})
        EXPECT_EQ(seen.find(notice), std::string::npos) << notice << "\n" << seen;
    // The log, as xdotool's search fails now and then while a window comes and goes.
    EXPECT_EQ(seen.find("现在 0 个小窗"), std::string::npos) << seen;
    EXPECT_LT(occurrences(seen, "\n"), 40 * occurrences(seen, state)) << seen;
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
