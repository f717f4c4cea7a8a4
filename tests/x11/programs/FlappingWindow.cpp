// A window that, once the process gets SIGUSR1, unmaps and maps itself again and again,
// about 75 times a second, as some clients do: flapping-window. Runs until it is ended.
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <thread>

int main()
{
    sigset_t start;
    sigemptyset(&start);
    sigaddset(&start, SIGUSR1);
    // Blocked before the window shows, so that no early signal ends the process.
    pthread_sigmask(SIG_BLOCK, &start, nullptr);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->white_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 100, 100, 240, 160, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
    static constexpr char windowClass[] = "flapping\0FlappingWindow";
    xcb_icccm_set_wm_class(c, window, sizeof windowClass, windowClass);
    xcb_map_window(c, window);
    xcb_flush(c);
    int signal = 0;
    sigwait(&start, &signal);
    for (bool shown = true; !xcb_connection_has_error(c); shown = !shown) {
        (shown ? xcb_unmap_window : xcb_map_window)(c, window);
        // Its answer tells that the server took the request: the client keeps pace with it.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        std::this_thread::sleep_for(std::chrono::microseconds(6667));
    }
    return 0;
}
