#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/XwdPixels.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

// Whether the window shows pure red a quarter in from its left and pure blue a quarter in
// from its right, half way down.
bool showsRedThenBlue(unsigned long window)
{
    const Geometry shown = geometryOf(window);
    const std::string dump = pixelsOf(window);
    return colourAt(dump, shown.width / 4, shown.height / 2) == 0xFF0000 &&
           colourAt(dump, shown.width * 3 / 4, shown.height / 2) == 0x0000FF;
}

// The widths of the first frames shown, as the log names them.
std::vector<int> shownFrameWidths(const std::string& log)
{
    std::vector<int> widths;
    const std::regex shown("display: buffer=(\\d+)x\\d+");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), shown); it != std::sregex_iterator(); ++it)
        widths.push_back(std::stoi((*it)[1]));
    return widths;
}

// A window far larger than its mini window is read at the mini window's size, the server
// scaling it, and the mini window still shows it: red on the left, blue on the right. The
// hover preview, bigger, shows it at its own size, and the mini window still does too.
TEST(X11MirrorReadSize, AMiniWindowHasItsSourceReadAtItsOwnSizeAndThePreviewShowsItAtItsOwn)
{
    X11Client client({GLIMRA_SOLID_WINDOW, "1600", "1000", "split"});
    const unsigned long window = client.waitForWindow("SolidWindow", 20);
    ASSERT_NE(window, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    movePointer(5, screenHeight() - 5);
    auto known = visibleWindowsOf(glimra.pid());
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
    runTool({"xdotool", "key", "super+alt+p"});
    const unsigned long mini = glimra.waitForNewPictureWindow(known);
    ASSERT_NE(mini, 0u) << glimra.log();
    const Geometry miniFrame = geometryOf(mini);
    ASSERT_LT(miniFrame.width, 1000);
    // The log names the first frames shown: after the first the mini window told its stream
    // its size, those are read at it.
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto widths = shownFrameWidths(glimra.log());
            return !widths.empty() && widths.back() <= miniFrame.width && widths.back() > miniFrame.width / 2;
        },
        10))
        << glimra.log();
    EXPECT_TRUE(waitUntil([&] { return showsRedThenBlue(mini); }, 5)) << "the mini window does not show the window";

    known = visibleWindowsOf(glimra.pid());
    movePointerOnto(miniFrame.x + miniFrame.width / 2, miniFrame.y + miniFrame.height / 2);
    const unsigned long preview = glimra.waitForNewPictureWindow(known, 5);
    ASSERT_NE(preview, 0u) << "no hover preview; log:\n" << glimra.log();
    ASSERT_GT(geometryOf(preview).width, miniFrame.width);
    EXPECT_TRUE(waitUntil([&] { return showsRedThenBlue(preview); }, 5)) << "the preview does not show the window";
    EXPECT_TRUE(showsRedThenBlue(mini)) << "the mini window does not show the bigger picture";
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
