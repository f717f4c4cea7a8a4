// A client that redraws its whole window FPS times a second through MIT-SHM, as a video
// player does; with FPS 0 it draws once and again only when exposed:
// glimra_bench_animated_window WIDTH HEIGHT FPS. Prints its window's id once mapped.
#include "DesktopBenchX11.h"

#include <xcb/xcb_icccm.h>

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using namespace desktopbench;

// Each frame moves a band across a fixed backdrop: only the band is written here, while
// the whole picture goes to the server, so the client costs little beside what it sends.
void drawFrame(std::uint8_t* pixels, int width, int height, long frame)
{
    constexpr int bandRows = 16;
    const int top = static_cast<int>((frame * bandRows) % height);
    const std::uint32_t colour = 0xFF000000u | static_cast<std::uint32_t>(frame * 0x010305 & 0xFFFFFF);
    auto* rows = reinterpret_cast<std::uint32_t*>(pixels);
    for (int y = top; y < top + bandRows && y < height; ++y)
        for (int x = 0; x < width; ++x) rows[static_cast<std::size_t>(y) * width + x] = colour;
}

void fillBackdrop(std::uint8_t* pixels, int width, int height)
{
    auto* rows = reinterpret_cast<std::uint32_t*>(pixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rows[static_cast<std::size_t>(y) * width + x] =
                0xFF000000u | static_cast<std::uint32_t>((x * 255 / width) << 16 | (y * 255 / height) << 8 | 0x60);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: glimra_bench_animated_window WIDTH HEIGHT FPS\n");
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const double fps = std::atof(argv[3]);
    if (width < 1 || height < 1 || width > 8192 || height > 8192 || fps < 0) return 2;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen->root_depth != 24) {
        std::fprintf(stderr, "animated window: needs a depth-24 screen\n");
        return 1;
    }
    const SharedImage image = attachSharedImage(c, static_cast<std::size_t>(width) * height * 4);
    if (!image.memory) {
        std::fprintf(stderr, "animated window: no MIT-SHM\n");
        return 1;
    }
    fillBackdrop(image.memory, width, height);

    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_EVENT_MASK, values);
    xcb_size_hints_t hints;
    std::memset(&hints, 0, sizeof hints);
    xcb_icccm_size_hints_set_size(&hints, 1, width, height);
    xcb_icccm_size_hints_set_min_size(&hints, width, height);
    xcb_icccm_set_wm_normal_hints(c, window, &hints);
    static constexpr char name[] = "Animated";
    xcb_icccm_set_wm_name(c, window, XCB_ATOM_STRING, 8, sizeof name - 1, name);
    static constexpr char windowClass[] = "animated\0AnimatedWindow";
    xcb_icccm_set_wm_class(c, window, sizeof windowClass, windowClass);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_map_window(c, window);
    xcb_flush(c);
    std::printf("%u\n", window);
    std::fflush(stdout);

    // The next frame waits for the server to have taken the last one, so that a busy
    // server slows the client down instead of piling requests up.
    const auto put = [&] {
        xcb_shm_put_image(c, window, gc, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0, 0,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0, 0, 24,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, 0, image.segment, 0);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    };
    const double interval = fps > 0 ? 1.0 / fps : 0;
    double next = clockSeconds();
    long frame = 0;
    pollfd connection{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        bool exposed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_EXPOSE) exposed = true;
            std::free(event);
        }
        if (xcb_connection_has_error(c)) return 0;
        if (fps > 0 && clockSeconds() >= next) {
            drawFrame(image.memory, width, height, frame++);
            put();
            next += interval;
            // A frame that is late is dropped, not caught up on.
            if (next < clockSeconds()) next = clockSeconds() + interval;
            continue;
        }
        if (exposed) {
            put();
            // Events that came in with the reply wait in the connection's queue.
            continue;
        }
        const int wait = fps > 0 ? std::max(0, static_cast<int>(std::ceil((next - clockSeconds()) * 1000))) : -1;
        poll(&connection, 1, wait);
    }
}
