// The least a mirroring reader does, to compare glimra with: for each window it waits for
// Damage and reads each changed frame once through MIT-SHM, at most FPS times a second per
// window, and shows it scaled into a window of the mini window's size.
//   glimra_bench_floor_reader WIDTHxHEIGHT FPS shm|render WINDOW...
// "shm" reads the whole frame and scales it here (nearest pixel); "render" has the server
// scale it with XRender first and reads the small picture. Windows are redirected with
// Composite, so covered ones are read too. SIGUSR1 prints "reads R1 R2 ..." (per window,
// so far); SIGTERM prints them and ends.
#include "DesktopBenchX11.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb_renderutil.h>

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace desktopbench;

struct Source {
    xcb_window_t window = 0;
    xcb_pixmap_t pixmap = 0;
    int width = 0, height = 0;
    xcb_damage_damage_t damage = 0;
    bool changed = true;
    double lastRead = -1e9;
    long reads = 0;
    // Where its picture is shown, and at what size inside that window.
    xcb_window_t shown = 0;
    int outWidth = 0, outHeight = 0, outX = 0, outY = 0;
    // The server-side scaling.
    xcb_pixmap_t small = 0;
    xcb_render_picture_t from = 0, to = 0;
};

struct Reader {
    xcb_connection_t* c = nullptr;
    const xcb_screen_t* screen = nullptr;
    bool serverScales = false;
    SharedImage whole, scaled;
    xcb_gcontext_t gc = 0;
    std::vector<std::uint32_t> xs;

    void scaleHere(const Source& source)
    {
        const auto* from = reinterpret_cast<const std::uint32_t*>(whole.memory);
        auto* to = reinterpret_cast<std::uint32_t*>(scaled.memory);
        xs.resize(static_cast<std::size_t>(source.outWidth));
        for (int x = 0; x < source.outWidth; ++x)
            xs[x] = static_cast<std::uint32_t>(x * source.width / source.outWidth);
        for (int y = 0; y < source.outHeight; ++y) {
            const std::uint32_t* row =
                from + static_cast<std::size_t>(y * source.height / source.outHeight) * source.width;
            for (int x = 0; x < source.outWidth; ++x) *to++ = row[xs[x]];
        }
    }

    bool read(Source& source)
    {
        xcb_damage_subtract(c, source.damage, XCB_NONE, XCB_NONE);
        const auto readInto = [&](xcb_drawable_t drawable, int width, int height, const SharedImage& into) {
            const Owned<xcb_shm_get_image_reply_t> image(
                xcb_shm_get_image_reply(c,
                                        xcb_shm_get_image(c, drawable, 0, 0, static_cast<std::uint16_t>(width),
                                                          static_cast<std::uint16_t>(height), 0xFFFFFFFFu,
                                                          XCB_IMAGE_FORMAT_Z_PIXMAP, into.segment, 0),
                                        nullptr),
                &std::free);
            return image != nullptr;
        };
        if (serverScales) {
            xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, source.from, XCB_NONE, source.to, 0, 0, 0, 0, 0, 0,
                                 static_cast<std::uint16_t>(source.outWidth),
                                 static_cast<std::uint16_t>(source.outHeight));
            if (!readInto(source.small, source.outWidth, source.outHeight, scaled)) return false;
        } else {
            if (!readInto(source.pixmap, source.width, source.height, whole)) return false;
            scaleHere(source);
        }
        xcb_shm_put_image(c, source.shown, gc, static_cast<std::uint16_t>(source.outWidth),
                          static_cast<std::uint16_t>(source.outHeight), 0, 0, static_cast<std::uint16_t>(source.outWidth),
                          static_cast<std::uint16_t>(source.outHeight), static_cast<std::int16_t>(source.outX),
                          static_cast<std::int16_t>(source.outY), 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, scaled.segment, 0);
        xcb_flush(c);
        return true;
    }
};

bool extensionsPresent(xcb_connection_t* c)
{
    const Owned<xcb_composite_query_version_reply_t> composite(
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr), &std::free);
    const Owned<xcb_damage_query_version_reply_t> damage(
        xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr), &std::free);
    const Owned<xcb_render_query_version_reply_t> render(
        xcb_render_query_version_reply(c, xcb_render_query_version(c, 0, 11), nullptr), &std::free);
    return composite && damage && render && extensionEvents(c, &xcb_shm_id) != 0;
}

xcb_render_fixed_t fixed(double value) { return static_cast<xcb_render_fixed_t>(std::lround(value * 65536)); }

}  // namespace

int main(int argc, char** argv)
{
    int miniWidth = 0, miniHeight = 0;
    if (argc < 5 || std::sscanf(argv[1], "%dx%d", &miniWidth, &miniHeight) != 2 || miniWidth < 1 || miniHeight < 1 ||
        (std::strcmp(argv[3], "shm") != 0 && std::strcmp(argv[3], "render") != 0)) {
        std::fprintf(stderr, "usage: glimra_bench_floor_reader WIDTHxHEIGHT FPS shm|render WINDOW...\n");
        return 2;
    }
    const double interval = 1.0 / std::max(1.0, std::atof(argv[2]));
    Reader reader;
    reader.serverScales = std::strcmp(argv[3], "render") == 0;
    const int signals = steeringSignals();
    xcb_connection_t* c = reader.c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) || !extensionsPresent(c)) {
        std::fprintf(stderr, "floor reader: needs Composite, Damage, RENDER and MIT-SHM\n");
        return 1;
    }
    reader.screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t root = reader.screen->root;
    const std::uint8_t damageNotify = extensionEvents(c, &xcb_damage_id) + XCB_DAMAGE_NOTIFY;
    const Owned<xcb_render_query_pict_formats_reply_t> formats(
        xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr), &std::free);
    const xcb_render_pictforminfo_t* rgb24 =
        formats ? xcb_render_util_find_standard_format(formats.get(), XCB_PICT_STANDARD_RGB_24) : nullptr;
    if (!rgb24) return 1;

    std::vector<Source> sources;
    std::size_t largest = 0;
    for (int i = 4; i < argc; ++i) {
        Source source;
        source.window = static_cast<xcb_window_t>(std::strtoul(argv[i], nullptr, 0));
        xcb_composite_redirect_window(c, source.window, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        source.pixmap = xcb_generate_id(c);
        xcb_composite_name_window_pixmap(c, source.window, source.pixmap);
        const Owned<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, source.pixmap), nullptr), &std::free);
        if (!geometry || geometry->depth != 24) {
            std::fprintf(stderr, "floor reader: window %s is not a viewable depth-24 window\n", argv[i]);
            return 1;
        }
        source.width = geometry->width;
        source.height = geometry->height;
        const double scale =
            std::min(static_cast<double>(miniWidth) / source.width, static_cast<double>(miniHeight) / source.height);
        source.outWidth = std::max(1, static_cast<int>(source.width * scale));
        source.outHeight = std::max(1, static_cast<int>(source.height * scale));
        source.outX = (miniWidth - source.outWidth) / 2;
        source.outY = (miniHeight - source.outHeight) / 2;
        largest = std::max(largest, static_cast<std::size_t>(source.width) * source.height * 4);
        source.damage = xcb_generate_id(c);
        xcb_damage_create(c, source.damage, source.window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);

        // The mini windows stand in columns from the screen's top right, as glimra's do.
        const int index = static_cast<int>(sources.size());
        const int perColumn = std::max(1, reader.screen->height_in_pixels / (miniHeight + 8));
        const int x = reader.screen->width_in_pixels - (index / perColumn + 1) * (miniWidth + 8);
        const int y = 8 + (index % perColumn) * (miniHeight + 8);
        source.shown = xcb_generate_id(c);
        const std::uint32_t values[] = {reader.screen->black_pixel, 1};
        xcb_create_window(c, 24, source.shown, root, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                          static_cast<std::uint16_t>(miniWidth), static_cast<std::uint16_t>(miniHeight), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, reader.screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c, source.shown);

        if (reader.serverScales) {
            source.small = xcb_generate_id(c);
            xcb_create_pixmap(c, 24, source.small, root, static_cast<std::uint16_t>(source.outWidth),
                              static_cast<std::uint16_t>(source.outHeight));
            source.from = xcb_generate_id(c);
            xcb_render_create_picture(c, source.from, source.pixmap, rgb24->id, 0, nullptr);
            const double sx = static_cast<double>(source.width) / source.outWidth;
            const double sy = static_cast<double>(source.height) / source.outHeight;
            const xcb_render_transform_t transform{fixed(sx), 0, 0, 0, fixed(sy), 0, 0, 0, fixed(1)};
            xcb_render_set_picture_transform(c, source.from, transform);
            static constexpr char filter[] = "nearest";
            xcb_render_set_picture_filter(c, source.from, sizeof filter - 1, filter, 0, nullptr);
            source.to = xcb_generate_id(c);
            xcb_render_create_picture(c, source.to, source.small, rgb24->id, 0, nullptr);
        }
        sources.push_back(source);
    }
    reader.whole = attachSharedImage(c, std::max<std::size_t>(largest, 4));
    reader.scaled = attachSharedImage(c, static_cast<std::size_t>(miniWidth) * miniHeight * 4);
    if (!reader.whole.memory || !reader.scaled.memory) return 1;
    reader.gc = xcb_generate_id(c);
    xcb_create_gc(c, reader.gc, root, 0, nullptr);
    xcb_flush(c);

    const auto printReads = [&] {
        std::string line = "reads";
        for (const Source& source : sources) line += " " + std::to_string(source.reads);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    pollfd waits[] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            if (event->response_type == damageNotify) {
                const auto damage = reinterpret_cast<xcb_damage_notify_event_t*>(event)->damage;
                for (Source& source : sources)
                    if (source.damage == damage) source.changed = true;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(c)) return 1;
        double wait = -1;
        bool readAny = false;
        for (Source& source : sources) {
            if (!source.changed) continue;
            const double due = source.lastRead + interval - clockSeconds();
            if (due <= 0) {
                source.changed = false;
                source.lastRead = clockSeconds();
                if (reader.read(source)) ++source.reads;
                readAny = true;
            } else if (wait < 0 || due < wait) {
                wait = due;
            }
        }
        // Events that came in with a reply wait in the connection's queue, not on its socket.
        if (readAny) wait = 0;
        poll(waits, 2, wait < 0 ? -1 : static_cast<int>(std::ceil(wait * 1000)));
        if (waits[1].revents & POLLIN) {
            const int signal = takeSignal(signals);
            printReads();
            if (signal != SIGUSR1) return 0;
        }
    }
}
