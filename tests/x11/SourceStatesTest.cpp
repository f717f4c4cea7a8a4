#include "support/QtTestApplication.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

// Bounds a wait only for a failure: the waits end at what they wait for, which a machine
// busy with other processes may take long to bring.
constexpr double patience = 60;

QImage shownPicture(unsigned long window)
{
    const Geometry place = geometryOf(window);
    return QGuiApplication::primaryScreen()->grabWindow(0, place.x, place.y, place.width, place.height).toImage();
}

// How wide the editor's white page shows across the mini window's middle, beside the
// dimmed backdrop that fills the rest.
int pageWidth(const QImage& picture)
{
    const int y = picture.height() / 2;
    int first = -1;
    int last = -1;
    for (int x = 0; x < picture.width(); ++x) {
        if (qGray(picture.pixel(x, y)) <= 200) continue;
        if (first < 0) first = x;
        last = x;
    }
    return first < 0 ? 0 : last - first + 1;
}

// The mean brightness where the frozen banner shows, a dark pill just above the bottom
// edge: the white page while there is none.
int bannerBrightness(const QImage& picture)
{
    long sum = 0;
    int count = 0;
    for (int y = picture.height() - 26; y < picture.height() - 12; ++y)
        for (int x = picture.width() / 2 - 20; x < picture.width() / 2 + 20; ++x, ++count)
            sum += qGray(picture.pixel(x, y));
    return count ? static_cast<int>(sum / count) : 0;
}

// The page's width when the mini window shows the whole of the source's frame, fitted.
int wholePageWidth(unsigned long mini, const Geometry& source)
{
    const Geometry shown = geometryOf(mini);
    return std::min(shown.width, shown.height * source.width / source.height);
}

// Three still sources (xclock without updates, an idle xterm, mousepad, a GTK 3 editor)
// mirrored at once: none is rebuilt for being still; the editor's mini window shows all of
// it after a resize; minimised, it keeps its last picture under the frozen banner, without
// capture-death or full-screen notices, and the banner goes when it is restored.
TEST(X11SourceStates, StillResizedAndMinimisedSourcesShowAsTheyAre)
{
    ensureQtApplication();
    X11Client clock({"xclock", "-geometry", "164x164+40+640"});
    X11Client terminal({"xterm", "-geometry", "50x10+260+640"});
    X11Client editor({"mousepad"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    const unsigned long editorWindow = editor.waitForWindow("Mousepad", 20);
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    ASSERT_NE(terminalWindow, 0u);
    ASSERT_NE(editorWindow, 0u);
    const std::string editorId = std::to_string(editorWindow);
    runTool({"xdotool", "windowsize", "--sync", editorId, "640", "480"});
    moveWindowTo(editorWindow, 700, 120);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    movePointer(5, 1000);
    std::vector<unsigned long> known = visibleWindowsOf(glimra.pid());
    const auto mirror = [&](unsigned long source) {
        if (source == 0) {
            glimra.process().signal(SIGUSR2);  // the smallest window: the clock
        } else {
            runTool({"xdotool", "windowactivate", "--sync", std::to_string(source)});
            runTool({"xdotool", "key", "super+alt+p"});
        }
        const unsigned long mini = glimra.waitForNewPictureWindow(known);
        known.push_back(mini);
        return mini;
    };
    ASSERT_NE(mirror(0), 0u) << glimra.log();
    ASSERT_NE(mirror(terminalWindow), 0u) << glimra.log();
    // The editor's last, so that its mini window is in front.
    const unsigned long mini = mirror(editorWindow);
    ASSERT_NE(mini, 0u) << glimra.log();
    const auto stillSince = std::chrono::steady_clock::now();
    const auto log = [&] { return glimra.log(); };

    // Narrower: once the mirror has taken the new size and checked its frames, the page
    // shows whole, not its top-left part enlarged.
    const auto resizedFrom = log().size();
    runTool({"xdotool", "windowsize", "--sync", editorId, "480", "480"});
    const auto adopted = [&] {
        const std::string text = log();
        const auto at = text.find("源窗口实时变化", resizedFrom);
        return at != std::string::npos && text.find("换 filter+config: 帧流正常", at) != std::string::npos;
    };
    ASSERT_TRUE(waitUntil(adopted, patience)) << log();
    const int whole = wholePageWidth(mini, frameOf(editorWindow));
    const auto showsWhole = [&](const QImage& picture) { return std::abs(pageWidth(picture) - whole) <= whole / 16; };
    // The mini window paints the adopted frame in its own time.
    EXPECT_TRUE(waitUntil([&] { return showsWhole(shownPicture(mini)); }, patience))
        << "page " << pageWidth(shownPicture(mini)) << " of " << whole;
    EXPECT_GT(bannerBrightness(shownPicture(mini)), 230);

    runTool({"xdotool", "windowminimize", "--sync", editorId});
    const std::string frozen = "画面定格: 源窗口已无新帧 id=" + editorId;
    EXPECT_TRUE(waitUntil([&] { return log().find(frozen) != std::string::npos; }, patience)) << log();
    EXPECT_TRUE(waitUntil([&] { return bannerBrightness(shownPicture(mini)) < 200; }, patience)) << "no frozen banner";
    // The last picture of the window, not the window manager's strip of title bar.
    EXPECT_TRUE(showsWhole(shownPicture(mini))) << "page " << pageWidth(shownPicture(mini)) << " of " << whole;

    // The source check finds the window back and the banner fades out.
    runTool({"xdotool", "windowactivate", "--sync", editorId});
    EXPECT_TRUE(waitUntil([&] { return bannerBrightness(shownPicture(mini)) > 230; }, patience)) << "the banner stays";

    const std::string hidden = log();
    EXPECT_EQ(hidden.find("捕获死亡检测"), std::string::npos) << hidden;
    EXPECT_EQ(hidden.find("全屏检测(离屏版)"), std::string::npos) << hidden;

    // The stale watchdog acts after 3 s of equal samples: 20 s of still sources give it
    // several chances.
    const auto stillFor = std::chrono::duration<double>(std::chrono::steady_clock::now() - stillSince).count();
    waitUntil([] { return false; }, std::max(0.0, 20 - stillFor));
    EXPECT_EQ(log().find("内容僵死看门狗"), std::string::npos) << log();

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
