#pragma once

#include "platform/x11/X11Connection.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <memory>
#include <thread>
#include <vector>

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

// Clients that redraw their whole window as fast as the server takes it, as a video does.
class BusyClients {
public:
    static constexpr int count = 16;
    static constexpr std::uint16_t width = 960, height = 540;

    BusyClients()
    {
        for (int i = 0; i < count; ++i) {
            auto& client = clients_.emplace_back();
            const auto window = client.mappedWindow(std::int16_t(20 * i), std::int16_t(20 * i), width, height, false);
            client.sync();
            drawers_.emplace_back([this, &client, window] { redraw(client, window); });
        }
    }
    ~BusyClients()
    {
        stop_ = true;
        for (auto& drawer : drawers_) drawer.join();
    }
    BusyClients(const BusyClients&) = delete;
    BusyClients& operator=(const BusyClients&) = delete;

private:
    void redraw(BenchClient& client, xcb_window_t window)
    {
        auto* xcb = client.xcb();
        const xcb_gcontext_t gc = xcb_generate_id(xcb);
        xcb_create_gc(xcb, gc, window, 0, nullptr);
        // One band at a time: a request has a size limit.
        constexpr std::uint16_t band = 60;
        std::vector<std::uint8_t> pixels(std::size_t(width) * band * 4);
        for (std::uint8_t shade = 0; !stop_; ++shade) {
            std::fill(pixels.begin(), pixels.end(), shade);
            for (std::uint16_t y = 0; y < height; y += band)
                xcb_put_image(xcb, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, width, band, 0, std::int16_t(y), 0, 24,
                              std::uint32_t(pixels.size()), pixels.data());
            client.sync();
        }
    }

    std::list<BenchClient> clients_;
    std::vector<std::thread> drawers_;
    std::atomic<bool> stop_{false};
};
