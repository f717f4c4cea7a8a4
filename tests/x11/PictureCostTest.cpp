#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/TestDisplay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

constexpr long megabytes = 1024L * 1024;
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow memory and quarantine come on top of what glimra holds.
constexpr long glimraBound = 600 * megabytes;
#else
constexpr long glimraBound = 300 * megabytes;
#endif

// The share of pure red among the pixels of an xwd dump's middle row, at any true-colour
// depth; -1 for a dump that cannot be read.
double redShareOfMiddleRow(const std::string& dump)
{
    const auto field = [&](int index) -> std::uint32_t {
        const auto* bytes = reinterpret_cast<const unsigned char*>(dump.data()) + index * 4;
        return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
    };
    if (dump.size() < 100) return -1;
    const std::uint32_t width = field(4), height = field(5), lsbFirst = field(7) == 0, bitsPerPixel = field(11),
                        bytesPerLine = field(12), red = field(14), others = field(15) | field(16);
    const std::size_t pixelsAt = field(0) + std::size_t{field(19)} * 12;
    const std::size_t row = pixelsAt + std::size_t{height / 2} * bytesPerLine;
    const std::uint32_t bytesPerPixel = bitsPerPixel / 8;
    if (width == 0 || bytesPerPixel == 0 || bytesPerPixel > 4 || row + std::size_t{width} * bytesPerPixel > dump.size())
        return -1;
    int reds = 0;
    for (std::uint32_t x = 0; x < width; ++x) {
        std::uint32_t pixel = 0;
        for (std::uint32_t b = 0; b < bytesPerPixel; ++b) {
            const std::uint32_t byte = static_cast<unsigned char>(dump[row + x * bytesPerPixel + b]);
            pixel |= lsbFirst ? byte << (8 * b) : byte << (8 * (bytesPerPixel - 1 - b));
        }
        if ((pixel & red) == red && (pixel & others) == 0) ++reds;
    }
    return static_cast<double>(reds) / width;
}

// A window of one colour at the size, shown by a client of the test's own; the window is
// 0 when none showed. openbox now and then leaves the first map request on a display it
// has just taken unanswered, so a client whose window does not show is started again.
struct SolidWindow {
    std::unique_ptr<X11Client> client;
    unsigned long window = 0;
};
SolidWindow showSolidWindow(int width, int height)
{
    SolidWindow solid;
    for (int attempt = 0; attempt < 3 && solid.window == 0; ++attempt) {
        solid.client = std::make_unique<X11Client>(
            std::vector<std::string>{GLIMRA_SOLID_WINDOW, std::to_string(width), std::to_string(height)});
        solid.window = solid.client->waitForWindow("SolidWindow", 20);
    }
    return solid;
}

// Mirrors the window with ⌥⌘P; the mini window, 0 when none came.
unsigned long mirror(GlimraOnDesktop& glimra, unsigned long window)
{
    const auto known = visibleWindowsOf(glimra.pid());
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
    runTool({"xdotool", "key", "super+alt+p"});
    return glimra.waitForNewPictureWindow(known);
}

// A window of 16384 × 16384 pixels on a composited desktop, mirrored, its menu thumbnail
// taken and its hover preview shown: the frames are no larger than the screen, and
// neither glimra nor the X server holds more than a few screenfuls for it.
TEST(X11PictureCost, AHugeWindowCostsNoMoreThanTheScreenShows)
{
    TestDisplay display("1920x1080x24");
    ASSERT_TRUE(display.ready());
    // The compositing manager keeps the window's own picture on the server before glimra
    // comes, as on a composited desktop: that much is the server's baseline.
    X11Client compositor({"xcompmgr"});
    const SolidWindow huge = showSolidWindow(16384, 16384);
    const unsigned long window = huge.window;
    ASSERT_NE(window, 0u);
    ASSERT_EQ(geometryOf(window).width, 16384) << "the window manager did not keep the size";
    // Painted and composited once the server's memory stops growing.
    long baseline = 0;
    waitUntil(
        [&] {
            const long now = residentBytes(display.serverPid());
            const bool settled = now > 0 && now == baseline;
            baseline = now;
            return settled;
        },
        10);
    waitUntil([] { return false; }, 0.5);
    baseline = residentBytes(display.serverPid());

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    const unsigned long statusItem = statusButtonOf(glimra.pid());
    ASSERT_NE(statusItem, 0u);
    const auto log = [&] { return glimra.log(); };
    const unsigned long mini = mirror(glimra, window);
    ASSERT_NE(mini, 0u) << log();
    ASSERT_TRUE(waitUntil([&] { return log().find("display: buffer=") != std::string::npos; }, 10)) << log();
    std::smatch size;
    const std::string shown = log();
    ASSERT_TRUE(std::regex_search(shown, size, std::regex("display: buffer=(\\d+)x(\\d+)"))) << shown;
    EXPECT_LE(std::stoi(size[1]), 1920) << shown;
    EXPECT_LE(std::stoi(size[2]), 1080) << shown;

    // The status menu shows the thumbnails of the windows it lists, taken ahead of it.
    clickMiddleOf(statusItem);
    const auto thumbnailTaken = [&] { return log().find("菜单缩略图预热: 抓取 1 个，成功 1 个") != std::string::npos; };
    EXPECT_TRUE(waitUntil(thumbnailTaken, 10)) << log();
    runTool({"xdotool", "key", "Escape"});

    auto known = visibleWindowsOf(glimra.pid());
    const Geometry miniFrame = geometryOf(mini);
    movePointerOnto(miniFrame.x + miniFrame.width / 2, miniFrame.y + miniFrame.height / 2);
    EXPECT_NE(glimra.waitForNewPictureWindow(known, 5), 0u) << "no hover preview; log:\n" << log();
    EXPECT_GT(redShareOfMiddleRow(pixelsOf(mini)), 0.5) << "the mini window does not show the window";

    const long glimraPeak = peakResidentBytes(glimra.pid());
    const long serverPeak = peakResidentBytes(display.serverPid());
    EXPECT_LT(glimraPeak, glimraBound) << "glimra peaked at " << glimraPeak / megabytes << " MB";
    EXPECT_LT(serverPeak, baseline + 300 * megabytes) << "the X server peaked at " << serverPeak / megabytes
                                                      << " MB over a baseline of " << baseline / megabytes << " MB";
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

// On a 16-bit screen the mini window shows the window's picture, not a notice.
TEST(X11PictureCost, ASixteenBitScreenShowsTheWindow)
{
    TestDisplay display("1280x800x16");
    ASSERT_TRUE(display.ready());
    const SolidWindow solid = showSolidWindow(400, 300);
    const unsigned long window = solid.window;
    ASSERT_NE(window, 0u);

    GlimraOnDesktop glimra;
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    movePointer(5, 790);
    const unsigned long mini = mirror(glimra, window);
    ASSERT_NE(mini, 0u) << glimra.log();
    EXPECT_TRUE(waitUntil([&] { return redShareOfMiddleRow(pixelsOf(mini)) > 0.5; }, 5))
        << "red share " << redShareOfMiddleRow(pixelsOf(mini)) << "; log:\n"
        << glimra.log();
    EXPECT_EQ(glimra.log().find("帧状态异常"), std::string::npos) << glimra.log();
    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
