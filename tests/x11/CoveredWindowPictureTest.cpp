#include "app/MenuThumbnail.h"
#include "platform/desktop/Desktop.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Frames.h"
#include "platform/x11/X11WindowImage.h"
#include "platform/x11/X11WindowPixmap.h"

#include "support/X11Client.h"
#include "x11/X11ServiceFixture.h"

#include <QColor>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// Still pictures of a window that another covers, on a desktop without a compositing
// manager: the picture needs a redirect, whose new pixmap starts as the screen there.
namespace {

using testsupport::X11Client;

enum class Colour { red, blue, green, other };

Colour colourOf(int red, int green, int blue)
{
    const auto pure = [](int full, int a, int b) { return full > 200 && a < 60 && b < 60; };
    if (pure(red, green, blue)) return Colour::red;
    if (pure(blue, red, green)) return Colour::blue;
    if (pure(green, red, blue)) return Colour::green;
    return Colour::other;
}

// Left and right of the middle row, a quarter in from each side: the window's red half
// and the blue half its client draws.
std::pair<Colour, Colour> halvesOf(const QImage& image)
{
    const auto at = [&](int x) {
        const QColor pixel = image.pixelColor(x, image.height() / 2);
        return colourOf(pixel.red(), pixel.green(), pixel.blue());
    };
    return {at(image.width() / 4), at(image.width() * 3 / 4)};
}

std::pair<Colour, Colour> halvesOf(const desktop::PixelBuffer& picture)
{
    const auto at = [&](int x) {
        const auto* pixel = picture.row(picture.height / 2) + x * 4;
        return colourOf(pixel[2], pixel[1], pixel[0]);
    };
    return {at(picture.width / 4), at(picture.width * 3 / 4)};
}

class X11CoveredWindowPictureTest : public testsupport::X11ServiceTest {
protected:
    void SetUp() override
    {
        X11ServiceTest::SetUp();
        desktop::install(x11::makeDesktop(connection));
        // openbox now and then leaves the first map request on a display unanswered.
        for (int attempt = 0; attempt < 3 && window == 0; ++attempt) {
            solid =
                std::make_unique<X11Client>(std::vector<std::string>{GLIMRA_SOLID_WINDOW, "400", "300", "late-split"});
            window = static_cast<xcb_window_t>(solid->waitForWindow("SolidWindow", 20));
        }
        ASSERT_NE(window, 0u);
        frame = x11::frameWindow(*connection, window);
        const auto state = x11::windowState(*connection, frame);
        ASSERT_TRUE(state && state->viewable);
        cover(*state);
    }

    void TearDown() override
    {
        if (coverer) xcb_disconnect(coverer);
        X11ServiceTest::TearDown();
    }

    // A green window of another client over the whole frame, shown before this returns.
    void cover(const x11::WindowState& state)
    {
        coverer = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(coverer));
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(coverer)).data;
        auto* colour =
            xcb_alloc_color_reply(coverer, xcb_alloc_color(coverer, screen->default_colormap, 0, 0xFFFF, 0), nullptr);
        ASSERT_TRUE(colour);
        const std::uint32_t values[] = {colour->pixel, 1};
        std::free(colour);
        const xcb_window_t green = xcb_generate_id(coverer);
        xcb_create_window(coverer, XCB_COPY_FROM_PARENT, green, screen->root, static_cast<std::int16_t>(state.x),
                          static_cast<std::int16_t>(state.y), static_cast<std::uint16_t>(state.width),
                          static_cast<std::uint16_t>(state.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(coverer, green);
        // Its answer comes once the server showed the window, background painted.
        std::free(xcb_get_input_focus_reply(coverer, xcb_get_input_focus(coverer), nullptr));
    }

    desktop::ShareableWindow shareable() const
    {
        desktop::ShareableWindow listed;
        listed.windowID = window;
        listed.frame = core::Rect(0, 0, 400, 320);
        return listed;
    }

    std::unique_ptr<X11Client> solid;
    xcb_window_t window = 0;
    xcb_window_t frame = 0;
    xcb_connection_t* coverer = nullptr;
};

// The client draws its blue half only some time after the redirect exposes it: a picture
// read at once shows the server's red background there, or what covers it.
TEST_F(X11CoveredWindowPictureTest, ACoveredWindowsStillPicturesShowItsOwnDrawingNotWhatCoversIt)
{
    const std::pair expected{Colour::red, Colour::blue};
    const auto picture = x11::windowImage(*connection, frame, 1);
    ASSERT_TRUE(picture);
    EXPECT_EQ(halvesOf(*picture), expected);

    std::optional<QImage> thumbnail;
    bool done = false;
    MenuThumbnail::capture(shareable(), [&](std::optional<QImage> image) {
        thumbnail = std::move(image);
        done = true;
    });
    ASSERT_TRUE(waitOnMain([&] { return done; }));
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(halvesOf(*thumbnail), expected);
}

}  // namespace
