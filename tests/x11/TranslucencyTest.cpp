#include "platform/x11/X11Compositor.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"
#include "x11/X11ServiceFixture.h"

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace testsupport;

// The desktop in one colour for as long as it lives: the root's background, and the root
// pixmap that a compositing manager paints behind the windows (without one xcompmgr paints
// grey).
class PaintedDesktop {
public:
    PaintedDesktop() : xcb_(xcb_connect(nullptr, nullptr))
    {
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(xcb_)).data;
        rootPixmap_ = atom("_XROOTPMAP_ID");
    }
    ~PaintedDesktop()
    {
        xcb_delete_property(xcb_, screen_->root, rootPixmap_);
        setBackground(XCB_BACK_PIXMAP_NONE);
        if (pixmap_) xcb_free_pixmap(xcb_, pixmap_);
        xcb_disconnect(xcb_);
    }
    PaintedDesktop(const PaintedDesktop&) = delete;
    PaintedDesktop& operator=(const PaintedDesktop&) = delete;

    // A new pixmap each time: the compositing manager repaints when the property changes.
    void paint(std::uint32_t pixel)
    {
        const xcb_pixmap_t old = pixmap_;
        pixmap_ = xcb_generate_id(xcb_);
        xcb_create_pixmap(xcb_, screen_->root_depth, pixmap_, screen_->root, screen_->width_in_pixels,
                          screen_->height_in_pixels);
        const xcb_gcontext_t gc = xcb_generate_id(xcb_);
        xcb_create_gc(xcb_, gc, pixmap_, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t whole{0, 0, screen_->width_in_pixels, screen_->height_in_pixels};
        xcb_poly_fill_rectangle(xcb_, pixmap_, gc, 1, &whole);
        xcb_free_gc(xcb_, gc);
        setBackground(pixmap_);
        xcb_change_property(xcb_, XCB_PROP_MODE_REPLACE, screen_->root, rootPixmap_, XCB_ATOM_PIXMAP, 32, 1, &pixmap_);
        if (old) xcb_free_pixmap(xcb_, old);
        sync();
        flashCover();
    }
    void paintBlack() { paint(screen_->black_pixel); }
    void paintWhite() { paint(screen_->white_pixel); }

    // The mean brightness (0..255) of the root's pixels in the rectangle, as the screen
    // shows them.
    int brightness(int x, int y, int width, int height)
    {
        auto* image = xcb_get_image_reply(
            xcb_,
            xcb_get_image(xcb_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<std::int16_t>(x),
                          static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                          static_cast<std::uint16_t>(height), ~0u),
            nullptr);
        if (!image) return -1;
        // Depth 24 in 32-bit pixels, blue first.
        const std::uint8_t* pixels = xcb_get_image_data(image);
        const int count = xcb_get_image_data_length(image) / 4;
        long sum = 0;
        for (int i = 0; i < count; ++i) sum += (pixels[4 * i] + pixels[4 * i + 1] + pixels[4 * i + 2]) / 3;
        std::free(image);
        return count > 0 ? static_cast<int>(sum / count) : -1;
    }

private:
    xcb_atom_t atom(const std::string& name)
    {
        auto* reply = xcb_intern_atom_reply(
            xcb_, xcb_intern_atom(xcb_, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }
    void setBackground(xcb_pixmap_t pixmap)
    {
        xcb_change_window_attributes(xcb_, screen_->root, XCB_CW_BACK_PIXMAP, &pixmap);
        xcb_clear_area(xcb_, 0, screen_->root, 0, 0, 0, 0);
    }
    void sync() { std::free(xcb_get_input_focus_reply(xcb_, xcb_get_input_focus(xcb_), nullptr)); }
    // xcompmgr takes a new root picture only where something is damaged, and a still mini
    // window damages nothing: a window over the whole screen that comes and goes does.
    void flashCover()
    {
        const xcb_window_t cover = xcb_generate_id(xcb_);
        const std::uint32_t overrideRedirect = 1;
        xcb_create_window(xcb_, XCB_COPY_FROM_PARENT, cover, screen_->root, 0, 0, screen_->width_in_pixels,
                          screen_->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
        xcb_map_window(xcb_, cover);
        sync();
        xcb_destroy_window(xcb_, cover);
        sync();
    }

    xcb_connection_t* xcb_;
    xcb_screen_t* screen_ = nullptr;
    xcb_atom_t rootPixmap_ = XCB_ATOM_NONE;
    xcb_pixmap_t pixmap_ = 0;
};

// glimra, started with the settings, and the mini window it makes of xterm.
class MirroredTerminal {
public:
    MirroredTerminal(PaintedDesktop& desktop, const std::string& settings) : desktop_(desktop), glimra_(settings)
    {
        if (!glimra_.ready()) {
            ADD_FAILURE() << glimra_.err();
            return;
        }
        const auto before = visibleWindowsOf(glimra_.pid());
        glimra_.process().signal(SIGUSR2);
        const unsigned long mini = glimra_.waitForNewPictureWindow(before);
        if (mini == 0) {
            ADD_FAILURE() << "no mini window; " << glimra_.log();
            return;
        }
        frame_ = geometryOf(mini);
        depth_ = depthOf(mini);
    }
    ~MirroredTerminal() { EXPECT_EQ(glimra_.quit(), 0) << glimra_.err(); }
    // 32 with an alpha channel.
    int depth() const { return depth_; }

    // The brightness of the mini window's middle once it lies within the range; the last
    // one read when it does not get there; -1 without a mini window.
    int brightness(int low, int high)
    {
        if (frame_.width == 0) return -1;
        const auto shown = [&] {
            return desktop_.brightness(frame_.x + frame_.width / 2 - 20, frame_.y + frame_.height / 2 - 20, 40, 40);
        };
        int value = -1;
        waitUntil([&] { return (value = shown()) >= low && value <= high; }, 5);
        return value;
    }

private:
    PaintedDesktop& desktop_;
    GlimraOnDesktop glimra_;
    Geometry frame_;
    int depth_ = 0;
};

// With a compositing manager a mini window at 50 % opacity shows the desktop through it:
// over black its picture of a white xterm is darker than at 100 %, and it brightens when
// the desktop turns white.
TEST(X11Translucency, AHalfOpaqueMiniWindowShowsTheDesktopThroughWithACompositingManager)
{
    PaintedDesktop desktop;
    desktop.paintBlack();
    const auto connection = openTestDisplay();
    ASSERT_TRUE(connection);
    X11Client compositor({"xcompmgr"});
    ASSERT_TRUE(waitUntil([&] { return x11::hasCompositingManager(*connection); }));
    X11Client xterm({"xterm", "-bg", "white", "-geometry", "80x30+60+400"});
    ASSERT_NE(xterm.waitForWindow("XTerm"), 0u);
    // The pointer away from the mini windows, which turn opaque under it.
    ASSERT_TRUE(movePointer(20, 1060));

    int opaque = 0;
    {
        MirroredTerminal full(desktop, "");
        opaque = full.brightness(200, 255);
        EXPECT_EQ(full.depth(), 32) << "its corners would not show the desktop";
    }
    EXPECT_GE(opaque, 200);
    {
        MirroredTerminal half(desktop, "\"pipOpacity\": 0.5");
        const int overBlack = half.brightness(40, opaque - 60);
        EXPECT_LE(overBlack, opaque - 60) << "opaque " << opaque;
        EXPECT_GE(overBlack, 40) << "the half-opaque mini window shows nothing";
        desktop.paintWhite();
        EXPECT_GE(half.brightness(overBlack + 60, 255), overBlack + 60) << "the desktop does not show through";
    }
    compositor.end();
}

// Without one nothing would show through, the picture would only darken: it is drawn opaque.
TEST(X11Translucency, AHalfOpaqueMiniWindowIsDrawnOpaqueWithoutACompositingManager)
{
    PaintedDesktop desktop;
    desktop.paintBlack();
    X11Client xterm({"xterm", "-bg", "white", "-geometry", "80x30+60+400"});
    ASSERT_NE(xterm.waitForWindow("XTerm"), 0u);
    ASSERT_TRUE(movePointer(20, 1060));

    MirroredTerminal half(desktop, "\"pipOpacity\": 0.5");
    EXPECT_GE(half.brightness(200, 255), 200);
    // Without an alpha channel the server shows each of its frames as drawn; with one it
    // would keep the window's picture apart and compose it onto the screen again.
    EXPECT_EQ(half.depth(), 24);
}

}  // namespace
