#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/X11ServiceFixture.h"

#include "platform/x11/X11Reply.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

// The first-run guide's mock desktop as glimra draws it on X11, read from the guide's pixels:
// a Linux desktop's top panel and task bar, and windows closed by a glyph.
namespace {

using namespace testsupport;

// The guide's content is 800 x 820; its 740 x 480 canvas lies 30 from the left and 56 from
// the top, and its scenes count from the canvas's bottom left.
constexpr int contentWidth = 800;
constexpr int contentHeight = 820;

struct Picture {
    std::vector<std::uint32_t> pixels;

    // Red, green and blue at a canvas point.
    std::uint32_t at(double x, double y) const
    {
        const int column = 30 + static_cast<int>(x);
        const int row = 56 + static_cast<int>(480 - y);
        return pixels[static_cast<std::size_t>(row * contentWidth + column)] & 0xffffff;
    }
    int brightness(double x, double y) const
    {
        const std::uint32_t c = at(x, y);
        return static_cast<int>(((c >> 16) & 0xff) + ((c >> 8) & 0xff) + (c & 0xff)) / 3;
    }
    bool isReddish(double x, double y) const
    {
        const std::uint32_t c = at(x, y);
        return static_cast<int>((c >> 16) & 0xff) > static_cast<int>((c >> 8) & 0xff) + 60;
    }
};

Picture pictureOf(x11::Connection& connection, unsigned long window)
{
    const auto image = x11::reply(xcb_get_image_reply(
        connection.xcb(),
        xcb_get_image(connection.xcb(), XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_window_t>(window), 0, 0,
                      contentWidth, contentHeight, ~0u),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < contentWidth * contentHeight * 4) return {};
    const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image.get()));
    return {std::vector<std::uint32_t>(data, data + contentWidth * contentHeight)};
}

TEST(X11GuidePictures, TheFirstSceneShowsAPanelATaskBarAndAWindowWithACloseGlyph)
{
    GlimraOnDesktop glimra(R"("onboardingCompleted": false, "onboardingStep": 0, "appLanguage": 1)");
    ASSERT_TRUE(glimra.ready()) << glimra.err();
    unsigned long guide = 0;
    ASSERT_TRUE(waitUntil([&] {
        guide = newPictureWindowOf(glimra.pid(), {statusButtonOf(glimra.pid())});
        return guide != 0 && geometryOf(guide).width == contentWidth;
    }))
        << glimra.err();
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);

    // The scene's first window is fully shown from 0.8 s to 7.7 s: its title bar is white
    // then. Its close control sits 7.77 from its left and 5.67 under its top.
    const double titleY = 170.56 + 215.04 - 5.67;
    const double closeX = 72.64 + 7.77;
    Picture picture;
    ASSERT_TRUE(waitUntil([&] {
        picture = pictureOf(*connection, guide);
        return !picture.pixels.empty() && picture.brightness(242, titleY) > 250;
    }))
        << "the scene's window never showed";

    // A panel across the top, with no black notch in its middle.
    const double panelY = 470.44 - 5.04;
    EXPECT_GT(picture.brightness(370, panelY), 10);
    EXPECT_LE(std::abs(picture.brightness(370, panelY) - picture.brightness(300, panelY)), 6);

    // A task bar from one side of the screen to the other, darker than the desktop above it.
    for (const double x : {60.0, 150.0, 600.0, 680.0})
        EXPECT_LT(picture.brightness(x, 77), picture.brightness(x, 101) - 8) << x;
    // Its third button shows the hue the scene's pointer visits, a blue.
    const std::uint32_t button = picture.at(335.98, 77.32);
    EXPECT_GT(button & 0xff, (button >> 16) & 0xff) << std::hex << button;

    // A dark glyph where the close control is, and no red dot there or beside it.
    EXPECT_LT(picture.brightness(closeX, titleY), 200);
    for (double x = closeX - 2; x < closeX + 18; x += 1) EXPECT_FALSE(picture.isReddish(x, titleY)) << x;

    EXPECT_EQ(glimra.quit(), 0) << glimra.err();
}

}  // namespace
