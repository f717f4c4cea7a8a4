// A client window of any size (also far larger than the screen) filled with one colour:
// solid-window WIDTH HEIGHT [split|late-split|flap]; split: its right half pure blue, drawn
// at each exposure; late-split: drawn a tenth of a second after it, as a slow client does;
// flap: once the process gets SIGUSR1, unmapped and mapped again 75 times a second.
// The window manager is asked, through the size hints, to keep the size. Runs until it is
// ended.
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

int main(int argc, char** argv)
{
    const bool late = argc == 4 && std::strcmp(argv[3], "late-split") == 0;
    const bool split = late || (argc == 4 && std::strcmp(argv[3], "split") == 0);
    const bool flap = argc == 4 && std::strcmp(argv[3], "flap") == 0;
    if (argc != 3 && !split && !flap) return 2;
    sigset_t start;
    sigemptyset(&start);
    sigaddset(&start, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &start, nullptr);
    const auto width = static_cast<std::uint16_t>(std::atoi(argv[1]));
    const auto height = static_cast<std::uint16_t>(std::atoi(argv[2]));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    // Pure red, which every true-colour depth holds exactly (0xF800 at depth 16).
    std::uint32_t red = screen->white_pixel;
    const std::unique_ptr<xcb_alloc_color_reply_t, decltype(&std::free)> colour(
        xcb_alloc_color_reply(c, xcb_alloc_color(c, screen->default_colormap, 0xFFFF, 0, 0), nullptr), &std::free);
    if (colour) red = colour->pixel;

    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {red, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_size_hints_t hints;
    std::memset(&hints, 0, sizeof hints);
    xcb_icccm_size_hints_set_position(&hints, 1, 0, 0);
    xcb_icccm_size_hints_set_size(&hints, 1, width, height);
    xcb_icccm_size_hints_set_min_size(&hints, width, height);
    xcb_icccm_set_wm_normal_hints(c, window, &hints);
    static constexpr char name[] = "Solid";
    xcb_icccm_set_wm_name(c, window, XCB_ATOM_STRING, 8, sizeof name - 1, name);
    static constexpr char windowClass[] = "solid\0SolidWindow";
    xcb_icccm_set_wm_class(c, window, sizeof windowClass, windowClass);
    xcb_map_window(c, window);
    xcb_flush(c);
    if (int signal = 0; flap && sigwait(&start, &signal) == 0) {
        for (bool shown = true; !xcb_connection_has_error(c); shown = !shown) {
            (shown ? xcb_unmap_window : xcb_map_window)(c, window);
            // Its answer says that the server took the request: the client keeps pace.
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
            std::this_thread::sleep_for(std::chrono::microseconds(6667));
        }
        return 0;
    }
    std::uint32_t blue = screen->black_pixel;
    const std::unique_ptr<xcb_alloc_color_reply_t, decltype(&std::free)> blueColour(
        xcb_alloc_color_reply(c, xcb_alloc_color(c, screen->default_colormap, 0, 0, 0xFFFF), nullptr), &std::free);
    if (blueColour) blue = blueColour->pixel;
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, XCB_GC_FOREGROUND, &blue);
    const xcb_rectangle_t rightHalf{static_cast<std::int16_t>(width / 2), 0,
                                    static_cast<std::uint16_t>(width - width / 2), height};
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        if (split && (event->response_type & 0x7F) == XCB_EXPOSE &&
            reinterpret_cast<const xcb_expose_event_t*>(event)->count == 0) {
            if (late) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            xcb_poly_fill_rectangle(c, window, gc, 1, &rightHalf);
            xcb_flush(c);
        }
        std::free(event);
    }
    return 0;
}
