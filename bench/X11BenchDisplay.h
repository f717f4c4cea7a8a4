#pragma once

#include "platform/x11/X11Connection.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

// The process's connection to the display the run started on (its own when DISPLAY was
// unset); a benchmark without one cannot measure anything and stops the run.
inline std::shared_ptr<x11::Connection> openBenchDisplay()
{
    auto opened = x11::Connection::open();
    if (!std::holds_alternative<std::shared_ptr<x11::Connection>>(opened)) std::abort();
    return std::get<std::shared_ptr<x11::Connection>>(opened);
}

// Another client on the display, of the benchmark's own: its windows go with it.
class BenchClient {
public:
    BenchClient() : xcb_(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(xcb_)) std::abort();
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(xcb_)).data;
    }
    ~BenchClient() { xcb_disconnect(xcb_); }
    BenchClient(const BenchClient&) = delete;
    BenchClient& operator=(const BenchClient&) = delete;

    xcb_connection_t* xcb() const { return xcb_; }

    // A mapped window; one that bypasses the window manager has no frame and is not
    // managed, so nothing the window manager does weighs on what is measured.
    xcb_window_t mappedWindow(std::int16_t x, std::int16_t y, std::uint16_t width, std::uint16_t height,
                              bool bypassWindowManager)
    {
        const xcb_window_t window = xcb_generate_id(xcb_);
        const std::uint32_t values[] = {screen_->black_pixel, bypassWindowManager ? 1u : 0u};
        xcb_create_window(xcb_, XCB_COPY_FROM_PARENT, window, screen_->root, x, y, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(xcb_, window);
        return window;
    }

    // Until the server has handled everything sent so far.
    void sync() { std::free(xcb_get_input_focus_reply(xcb_, xcb_get_input_focus(xcb_), nullptr)); }

private:
    xcb_connection_t* xcb_;
    xcb_screen_t* screen_ = nullptr;
};
