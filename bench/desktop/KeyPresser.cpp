// Presses a key combination through XTest whenever asked:
//   glimra_bench_key_presser KEYSYM...   (hexadecimal or decimal keysyms, modifiers first)
// Connected and with its key codes looked up before it prints "ready", so that a press
// costs one request, not a tool's start on a busy server. SIGUSR1 presses the keys in turn
// and lets them go in reverse, printing "pressed SECONDS" (wall-clock time) just before;
// SIGTERM ends it.
#include "DesktopBenchX11.h"

#include <xcb/xtest.h>

#include <poll.h>

#include <algorithm>
#include <vector>

namespace {

using namespace desktopbench;

// The first key code whose unshifted or shifted symbol is the keysym; 0 for none.
xcb_keycode_t keyCodeOf(xcb_connection_t* c, std::uint32_t keysym)
{
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    const Owned<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr),
        &std::free);
    if (!mapping) return 0;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perCode = mapping->keysyms_per_keycode;
    for (int code = 0; code < count; ++code)
        for (int column = 0; column < std::min(perCode, 2); ++column)
            if (symbols[code * perCode + column] == keysym) return static_cast<xcb_keycode_t>(setup->min_keycode + code);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int signals = steeringSignals();
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    std::vector<xcb_keycode_t> keys;
    for (int i = 1; i < argc; ++i) {
        const xcb_keycode_t key = keyCodeOf(c, static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 0)));
        if (!key) {
            std::fprintf(stderr, "key presser: no key for %s\n", argv[i]);
            return 1;
        }
        keys.push_back(key);
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::printf("ready\n");
    std::fflush(stdout);

    pollfd waits[] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) std::free(event);
        if (xcb_connection_has_error(c)) return 1;
        poll(waits, 2, -1);
        if (!(waits[1].revents & POLLIN)) continue;
        if (takeSignal(signals) != SIGUSR1) return 0;
        std::printf("pressed %.6f\n", clockSeconds(CLOCK_REALTIME));
        std::fflush(stdout);
        for (const auto key : keys) xcb_test_fake_input(c, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, root, 0, 0, 0);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            xcb_test_fake_input(c, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(c);
    }
}
