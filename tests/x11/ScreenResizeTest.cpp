#include "panels/rules/PanelGeometry.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// A screen that xrandr shrinks from 1920×1080 to 1280×720 and grows back, on a display of
// the test's own: the mini windows follow each size, also those hidden while it changed.
namespace {

using namespace testsupport;

// Xvfb offers its screen's size alone until a mode of the smaller size is added to its one
// output.
void addSmallMode()
{
    runTool({"xrandr", "--newmode", "1280x720", "74.48", "1280", "1336", "1472", "1664", "720", "721", "724", "746",
             "-hsync", "+vsync"});
    runTool({"xrandr", "--addmode", "screen", "1280x720"});
}

void resizeScreen(const std::string& size) { runTool({"xrandr", "-s", size}); }

// The window manager's work area of the first desktop: the screen without the status
// button's band.
Geometry workArea()
{
    std::istringstream values(runTool({"xprop", "-root", "-notype", "_NET_WORKAREA"}));
    std::string word;
    while (values >> word && word != "=") {}
    Geometry area;
    char comma = 0;
    values >> area.x >> comma >> area.y >> comma >> area.width >> comma >> area.height;
    return area;
}

double targetArea(const Geometry& area)
{
    return panels::targetArea(core::Rect(area.x, area.y, area.width, area.height), 1.2);
}

struct Size {
    double width = 0, height = 0;
};

// Whether each mini window lies wholly in the work area at its size given, give or take the
// pixel a rounded frame gains or loses on each side.
bool laidOut(const std::vector<unsigned long>& windows, const std::vector<Size>& sizes, const Geometry& area)
{
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const Geometry frame = geometryOf(windows[i]);
        const bool inside = frame.x >= area.x && frame.y >= area.y && frame.x + frame.width <= area.x + area.width &&
                            frame.y + frame.height <= area.y + area.height;
        if (!inside || std::abs(frame.width - sizes[i].width) > 2 || std::abs(frame.height - sizes[i].height) > 2)
            return false;
    }
    return true;
}

std::string describe(const std::vector<unsigned long>& windows)
{
    std::string text;
    for (const unsigned long window : windows) {
        const Geometry frame = geometryOf(window);
        text += " (" + std::to_string(frame.x) + "," + std::to_string(frame.y) + " " + std::to_string(frame.width) +
                "x" + std::to_string(frame.height) + ")";
    }
    return text;
}

// Whether the last display change's re-layouts have all run: the one at once and the two
// delayed ones, which follow its line.
bool reLayoutsDone(const std::string& log)
{
    const auto last = log.rfind("显示器配置变化:");
    return last != std::string::npos && occurrences(log.substr(last), "显示器变化: 已自动排列") >= 2;
}

class X11ScreenResize : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display_.ready()) << "no X server of the test's own came up";
        addSmallMode();
        clock_ = std::make_unique<X11Client>(std::vector<std::string>{"xclock", "-geometry", "150x150+100+100"});
        terminal_ = std::make_unique<X11Client>(std::vector<std::string>{"xterm", "-geometry", "60x20+600+300"});
        ASSERT_NE(clock_->waitForWindow("XClock"), 0u);
        const unsigned long terminalWindow = terminal_->waitForWindow("XTerm");
        ASSERT_NE(terminalWindow, 0u);

        glimra_ = std::make_unique<GlimraOnDesktop>();
        ASSERT_TRUE(glimra_->ready()) << glimra_->err();
        const std::vector<unsigned long> none = visibleWindowsOf(glimra_->pid());
        glimra_->process().signal(SIGUSR2);
        const unsigned long clockMini = glimra_->waitForNewPictureWindow(none);
        ASSERT_NE(clockMini, 0u) << glimra_->err();
        runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
        const std::vector<unsigned long> withClockMini = visibleWindowsOf(glimra_->pid());
        runTool({"xdotool", "key", "super+alt+p"});
        const unsigned long terminalMini = glimra_->waitForNewPictureWindow(withClockMini);
        ASSERT_NE(terminalMini, 0u) << glimra_->err();
        minis_ = {clockMini, terminalMini};

        // Both tiled at the top right at their first size, which the screen's full size
        // gives them again.
        fullArea_ = workArea();
        ASSERT_TRUE(waitUntil([&] {
            for (const unsigned long mini : minis_)
                if (geometryOf(mini).x + geometryOf(mini).width < fullArea_.width - 100) return false;
            return true;
        })) << describe(minis_);
        for (const unsigned long mini : minis_) {
            const Geometry frame = geometryOf(mini);
            fullSizes_.push_back({1.0 * frame.width, 1.0 * frame.height});
        }
    }

    void TearDown() override
    {
        if (glimra_) {
            EXPECT_EQ(glimra_->quit(), 0) << glimra_->err();
        }
    }

    // The sizes for the work area now: the screen's share of each mini window's first size.
    std::vector<Size> sizesForWorkArea() const
    {
        const double scale = std::sqrt(targetArea(workArea()) / targetArea(fullArea_));
        std::vector<Size> sizes;
        for (const Size& size : fullSizes_) sizes.push_back({size.width * scale, size.height * scale});
        return sizes;
    }

    bool laidOutForWorkArea() const { return laidOut(minis_, sizesForWorkArea(), workArea()); }

    // Laid out for the small screen, with nothing of that change left to run.
    bool settledOnTheSmallScreen() const
    {
        return workArea().width == 1280 && laidOutForWorkArea() && reLayoutsDone(glimra_->log());
    }

    bool shown() const
    {
        for (const unsigned long mini : minis_)
            if (!isVisibleWindowOf(glimra_->pid(), mini)) return false;
        return true;
    }

    bool hidden() const
    {
        for (const unsigned long mini : minis_)
            if (isVisibleWindowOf(glimra_->pid(), mini)) return false;
        return true;
    }

    // The screen at that size, once glimra has heard of it.
    void resizeAndWaitForTheNotice(const std::string& size)
    {
        const std::string notice = "X11: displays changed ⇒ 1: screen " + size + "@(0,0)";
        const std::size_t before = occurrences(glimra_->log(), notice);
        resizeScreen(size);
        ASSERT_TRUE(waitUntil([&] { return occurrences(glimra_->log(), notice) > before; }, 20)) << glimra_->log();
    }

    TestDisplay display_{"1920x1080x24"};
    std::unique_ptr<X11Client> clock_;
    std::unique_ptr<X11Client> terminal_;
    std::unique_ptr<GlimraOnDesktop> glimra_;
    std::vector<unsigned long> minis_;
    Geometry fullArea_;
    std::vector<Size> fullSizes_;
};

// Each change of the screen's size lays every mini window out wholly on it, at the size the
// screen's share gives it: smaller on the small screen, its first size again once it grew back.
TEST_F(X11ScreenResize, ShrinkingAndGrowingBackLaysTheMiniWindowsOutForEachSize)
{
    resizeScreen("1280x720");
    EXPECT_TRUE(waitUntil([&] { return settledOnTheSmallScreen(); }, 20)) << describe(minis_) << "\n" << glimra_->log();

    resizeScreen("1920x1080");
    EXPECT_TRUE(waitUntil([&] { return workArea().width == 1920 && laidOut(minis_, fullSizes_, workArea()); }, 20))
        << describe(minis_) << "\n"
        << glimra_->log();
}

// Mini windows hidden by Show/Hide, or by the hold key, while the screen changed are laid out
// for it when they show again.
TEST_F(X11ScreenResize, MiniWindowsHiddenDuringTheChangeAreLaidOutWhenTheyShowAgain)
{
    runTool({"xdotool", "key", "super+alt+b"});
    ASSERT_TRUE(waitUntil([&] { return hidden(); }, 10));
    resizeAndWaitForTheNotice("1280x720");
    runTool({"xdotool", "key", "super+alt+b"});
    EXPECT_TRUE(waitUntil([&] { return shown() && settledOnTheSmallScreen(); }, 20)) << describe(minis_) << "\n"
                                                                                     << glimra_->log();

    runTool({"xdotool", "keydown", "Control_R"});
    const bool heldAway = waitUntil([&] { return hidden(); }, 10);
    if (heldAway) resizeAndWaitForTheNotice("1920x1080");
    runTool({"xdotool", "keyup", "Control_R"});
    ASSERT_TRUE(heldAway) << glimra_->log();
    EXPECT_TRUE(waitUntil([&] { return shown() && laidOut(minis_, fullSizes_, workArea()); }, 20))
        << describe(minis_) << "\n"
        << glimra_->log();
}

// A screen made smaller than its output leaves no monitor: the own button opens the whole menu.
TEST(X11NoMonitor, TheOwnButtonOpensTheWholeMenu)
{
    const TestDisplay display("1280x800x24");
    runTool({"xrandr", "--fb", "1024x768"});
    ASSERT_TRUE(waitUntil([] { return runTool({"xrandr", "--listmonitors"}).rfind("Monitors: 0", 0) == 0; }));
    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    EXPECT_NE(openStatusMenu(glimra.pid(), statusButtonOf(glimra.pid()), 200), 0u) << glimra.log();
}

}  // namespace
