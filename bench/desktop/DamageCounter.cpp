// Counts the frames windows show: glimra_bench_damage_counter [--new] WINDOW...
// A frame is a burst of drawing into a window, told by Damage; notices whose server times
// lie within a few milliseconds of the last counted one belong to the same paint.
// SIGUSR1 prints "frames F1 F2 ..." (per window, so far); SIGTERM prints them and ends.
// With --new it also watches every window created from then on and prints
// "first WINDOW SECONDS" (wall-clock time) when that window is first drawn into.
#include "DesktopBenchX11.h"

#include <xcb/damage.h>

#include <poll.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace desktopbench;

constexpr std::uint32_t samePaintMilliseconds = 4;

struct Watched {
    xcb_window_t window = 0;
    bool counted = false;  // one of the windows named on the command line
    long frames = 0;
    bool drawn = false;
    std::uint32_t lastFrameAt = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    const bool watchNew = argc > 1 && std::strcmp(argv[1], "--new") == 0;
    if (watchNew) ++first;
    const int signals = steeringSignals();
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const std::unique_ptr<xcb_damage_query_version_reply_t, decltype(&std::free)> version(
        xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr), &std::free);
    if (!version) {
        std::fprintf(stderr, "damage counter: needs Damage\n");
        return 1;
    }
    const std::uint8_t damageNotify = extensionEvents(c, &xcb_damage_id) + XCB_DAMAGE_NOTIFY;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    std::map<xcb_damage_damage_t, Watched> watched;
    std::vector<xcb_damage_damage_t> counted;
    const auto watch = [&](xcb_window_t window, bool isCounted) {
        const xcb_damage_damage_t damage = xcb_generate_id(c);
        xcb_damage_create(c, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        watched[damage] = Watched{window, isCounted, 0, false, 0};
        if (isCounted) counted.push_back(damage);
    };
    for (int i = first; i < argc; ++i) watch(static_cast<xcb_window_t>(std::strtoul(argv[i], nullptr, 0)), true);
    if (watchNew) {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    }
    xcb_flush(c);

    const auto printFrames = [&] {
        std::string line = "frames";
        for (const auto damage : counted) line += " " + std::to_string(watched[damage].frames);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    pollfd waits[] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY && watchNew) {
                watch(reinterpret_cast<xcb_create_notify_event_t*>(event)->window, false);
            } else if (event->response_type == damageNotify) {
                const auto& notice = *reinterpret_cast<xcb_damage_notify_event_t*>(event);
                xcb_damage_subtract(c, notice.damage, XCB_NONE, XCB_NONE);
                const auto found = watched.find(notice.damage);
                if (found != watched.end()) {
                    Watched& window = found->second;
                    if (!window.drawn) {
                        window.drawn = true;
                        if (!window.counted) {
                            std::printf("first %u %.6f\n", window.window, clockSeconds(CLOCK_REALTIME));
                            std::fflush(stdout);
                        }
                    } else if (notice.timestamp - window.lastFrameAt < samePaintMilliseconds) {
                        std::free(event);
                        continue;
                    }
                    window.lastFrameAt = notice.timestamp;
                    ++window.frames;
                }
            }
            std::free(event);
        }
        xcb_flush(c);
        if (xcb_connection_has_error(c)) return 1;
        poll(waits, 2, -1);
        if (waits[1].revents & POLLIN) {
            const int signal = takeSignal(signals);
            printFrames();
            if (signal != SIGUSR1) return 0;
        }
    }
}
