// Counts the frames windows show: glimra_bench_paint_counter [--new] WINDOW...
// A frame is a burst of drawing requests that the client which made the first WINDOW sends
// into a window or into one of its children, as the server records them (RECORD); requests
// whose server times lie within a few milliseconds of the last counted one belong to the
// same paint. Damage would not do: the server's painting of an automatically redirected
// client beneath a window damages that window too, with none of its pixels changed.
// SIGUSR1 prints "frames F1 F2 ..." (per window, so far); SIGTERM prints them and ends.
// With --new it counts nothing but prints "first WINDOW SECONDS" (wall-clock time) when
// that client first draws into a window created from then on.
#include "DesktopBenchX11.h"

#include <xcb/record.h>

#include <poll.h>

#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace desktopbench;

constexpr std::uint32_t samePaintMilliseconds = 4;

struct Watched {
    bool counted = false;  // one of the windows named on the command line
    long frames = 0;
    std::uint32_t lastFrameAt = 0;
};

// Which watched window a drawable draws into: itself or its nearest watched ancestor,
// looked up once per drawable; none for pixmaps and other windows.
class Drawables {
public:
    Drawables(xcb_connection_t* c, std::map<xcb_window_t, Watched>& watched) : c_(c), watched_(watched) {}

    // The watched window, and whether the drawable is that window itself.
    std::pair<xcb_window_t, bool> owner(std::uint32_t drawable)
    {
        if (watched_.count(drawable)) return {drawable, true};
        const auto known = owners_.find(drawable);
        if (known != owners_.end()) return {known->second, false};
        xcb_window_t owner = XCB_WINDOW_NONE;
        for (std::uint32_t at = drawable; owner == XCB_WINDOW_NONE;) {
            const Owned<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, at), nullptr),
                                                     &std::free);
            if (!tree || tree->parent == XCB_WINDOW_NONE) break;
            at = tree->parent;
            if (watched_.count(at)) owner = at;
        }
        // A window watched only from now on was looked up before as nobody's.
        owners_[drawable] = owner;
        return {owner, false};
    }

    void forgetUnowned()
    {
        for (auto at = owners_.begin(); at != owners_.end();)
            at = at->second == XCB_WINDOW_NONE ? owners_.erase(at) : std::next(at);
    }

private:
    xcb_connection_t* c_;
    std::map<xcb_window_t, Watched>& watched_;
    std::map<std::uint32_t, xcb_window_t> owners_;
};

std::uint32_t word(const std::uint8_t* at)
{
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::uint16_t halfWord(const std::uint8_t* at)
{
    std::uint16_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The drawable a recorded request draws into, if it is one that draws.
std::optional<std::uint32_t> drawnInto(const std::uint8_t* request, std::size_t bytes, std::uint8_t shmOpcode)
{
    if (bytes < 8) return std::nullopt;
    const std::uint8_t opcode = request[0];
    if (opcode == XCB_COPY_AREA || opcode == XCB_COPY_PLANE)
        return bytes < 12 ? std::nullopt : std::optional(word(request + 8));
    // Mapping a child shows its background: the picture of a view the server paints.
    if ((opcode >= XCB_CLEAR_AREA && opcode <= XCB_PUT_IMAGE) || opcode == XCB_MAP_WINDOW ||
        (opcode == shmOpcode && request[1] == XCB_SHM_PUT_IMAGE))
        return word(request + 4);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    const bool watchNew = argc > 1 && std::strcmp(argv[1], "--new") == 0;
    if (watchNew) ++first;
    if (first >= argc) {
        std::fprintf(stderr, "usage: glimra_bench_paint_counter [--new] WINDOW...\n");
        return 2;
    }
    const int signals = steeringSignals();
    // The recorded data comes on a connection of its own.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_connection_t* data = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) || xcb_connection_has_error(data)) return 1;
    const Owned<xcb_record_query_version_reply_t> version(
        xcb_record_query_version_reply(c, xcb_record_query_version(c, 1, 13), nullptr), &std::free);
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!version || !shm || !shm->present) {
        std::fprintf(stderr, "paint counter: needs RECORD and MIT-SHM\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;

    std::map<xcb_window_t, Watched> watched;
    std::vector<xcb_window_t> counted;
    if (!watchNew)
        for (int i = first; i < argc; ++i) {
            const auto window = static_cast<xcb_window_t>(std::strtoul(argv[i], nullptr, 0));
            watched[window] = Watched{true};
            counted.push_back(window);
        }
    if (watchNew) {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    }
    Drawables drawables(c, watched);

    // Drawing requests of the core protocol and MIT-SHM's put, from the client that made
    // the first window, each with the server's time.
    xcb_record_range_t ranges[3] = {};
    ranges[0].core_requests = {XCB_CLEAR_AREA, XCB_PUT_IMAGE};
    ranges[1].core_requests = {XCB_MAP_WINDOW, XCB_MAP_WINDOW};
    ranges[2].ext_requests.major = {shm->major_opcode, shm->major_opcode};
    ranges[2].ext_requests.minor = {XCB_SHM_PUT_IMAGE, XCB_SHM_PUT_IMAGE};
    const xcb_record_client_spec_t client = static_cast<xcb_record_client_spec_t>(std::strtoul(argv[first], nullptr, 0));
    const xcb_record_context_t context = xcb_generate_id(c);
    const Owned<xcb_generic_error_t> refused(
        xcb_request_check(c, xcb_record_create_context_checked(c, context, XCB_RECORD_H_TYPE_FROM_SERVER_TIME, 1, 3,
                                                               &client, ranges)),
        &std::free);
    if (refused) {
        std::fprintf(stderr, "paint counter: no client made window %s\n", argv[first]);
        return 1;
    }
    // The recorded requests come in on a thread of their own, which blocks for each.
    std::mutex mutex;
    const auto printFrames = [&] {
        std::lock_guard lock(mutex);
        std::string line = "frames";
        for (const auto window : counted) line += " " + std::to_string(watched[window].frames);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    const auto drawn = [&](std::uint32_t drawable, std::uint32_t serverTime, bool mapped) {
        const auto [owner, itself] = drawables.owner(drawable);
        if (owner == XCB_WINDOW_NONE || (mapped && itself)) return;
        Watched& window = watched[owner];
        if (window.frames == 0) {
            if (!window.counted) {
                std::printf("first %u %.6f\n", owner, clockSeconds(CLOCK_REALTIME));
                std::fflush(stdout);
            }
        } else if (serverTime - window.lastFrameAt < samePaintMilliseconds) {
            return;
        }
        window.lastFrameAt = serverTime;
        ++window.frames;
    };
    const auto takeRecorded = [&](const xcb_record_enable_context_reply_t& reply) {
        constexpr std::uint8_t fromClient = 1;
        if (reply.category != fromClient) return;
        const std::uint8_t* at = xcb_record_enable_context_data(&reply);
        const std::uint8_t* end = at + xcb_record_enable_context_data_length(&reply);
        // The server's time is the reply's; a request's length is in words, a zero one
        // followed by the longer length of BIG-REQUESTS.
        while (end - at >= 4) {
            const std::uint8_t* request = at;
            std::size_t bytes = halfWord(request + 2) * std::size_t{4};
            if (bytes == 0 && end - request >= 8) bytes = word(request + 4) * std::size_t{4};
            if (bytes < 4 || bytes > static_cast<std::size_t>(end - request)) break;
            if (const auto drawable = drawnInto(request, bytes, shm->major_opcode))
                drawn(*drawable, reply.server_time, request[0] == XCB_MAP_WINDOW);
            at = request + bytes;
        }
    };

    std::thread recorder([&] {
        const auto recording = xcb_record_enable_context(data, context);
        while (const Owned<xcb_record_enable_context_reply_t> reply{
                   xcb_record_enable_context_reply(data, recording, nullptr), &std::free}) {
            std::lock_guard lock(mutex);
            takeRecorded(*reply);
        }
    });
    recorder.detach();

    pollfd waits[] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if ((event->response_type & 0x7f) == XCB_CREATE_NOTIFY && watchNew) {
                std::lock_guard lock(mutex);
                watched[reinterpret_cast<xcb_create_notify_event_t*>(event)->window] = Watched{};
                drawables.forgetUnowned();
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c) || xcb_connection_has_error(data)) return 1;
        xcb_flush(c);
        poll(waits, 2, -1);
        if (waits[1].revents & POLLIN) {
            const int signal = takeSignal(signals);
            printFrames();
            if (signal != SIGUSR1) return 0;
        }
    }
}
