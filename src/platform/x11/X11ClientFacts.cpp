#include "platform/x11/X11ClientFacts.h"
#include "platform/x11/X11Reply.h"

#include "platform/x11/X11ClientPid.h"
#include "platform/x11/X11FrameGeometry.h"
#include "platform/x11/X11Iconic.h"

#include "platform/core/SystemLog.h"
#include "platform/x11/X11Text.h"

#include <QString>

#include <xcb/res.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>

namespace x11 {
namespace {

// Titles are long at most a few hundred characters; this bounds a hostile one.
constexpr std::uint32_t maxTitleUnits = 4096;

struct Requests {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t netName, name, windowClass, extents, types, states, wmState, desktop, opacity;
    // The server's record of the pid where it has X-Resource, else the client's own word.
    std::optional<xcb_res_query_client_ids_cookie_t> serverPid;
    std::optional<xcb_get_property_cookie_t> declaredPid;
};

std::string bytesOf(const xcb_get_property_reply_t* reply)
{
    if (!reply || reply->type == XCB_ATOM_NONE || reply->format != 8) return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply));
    return std::string(data, data + xcb_get_property_value_length(reply));
}

std::string latin1ToUtf8(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString();
}

std::string hexWindow(xcb_window_t window)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", window);
    return text;
}

// Each window's broken title is reported once, not at every listing.
void logBrokenTitle(xcb_window_t window)
{
    static std::mutex mutex;
    static std::set<xcb_window_t> reported;
    {
        std::lock_guard lock(mutex);
        if (!reported.insert(window).second) return;
    }
    core::systemLog::write("x11: the title of window " + hexWindow(window) + " is not valid text; it is shown repaired");
}

std::optional<std::string> titleOf(xcb_window_t window, const xcb_get_property_reply_t* netName,
                                   const xcb_get_property_reply_t* name, xcb_atom_t compoundText)
{
    const auto* reply = netName && netName->type != XCB_ATOM_NONE && netName->format == 8 ? netName
                        : name && name->type != XCB_ATOM_NONE && name->format == 8        ? name
                                                                                          : nullptr;
    if (!reply) return std::nullopt;
    const std::string raw = bytesOf(reply);
    // WM_NAME of type STRING is Latin-1 by definition; COMPOUND_TEXT mixes character
    // sets; anything else is taken as UTF-8.
    if (reply == name && reply->type == XCB_ATOM_STRING) return latin1ToUtf8(raw);
    bool complete = true;
    auto text = reply == name && reply->type == compoundText ? compoundTextToUtf8(raw, &complete)
                                                             : repairedUtf8(raw, &complete);
    if (!complete) logBrokenTitle(window);
    return text;
}

std::optional<std::string> classOf(const xcb_get_property_reply_t* reply)
{
    // WM_CLASS is "instance\0class\0".
    const std::string bytes = bytesOf(reply);
    const auto split = bytes.find('\0');
    if (split == std::string::npos) return std::nullopt;
    std::string windowClass = bytes.substr(split + 1);
    if (const auto end = windowClass.find('\0'); end != std::string::npos) windowClass.resize(end);
    if (windowClass.empty()) return std::nullopt;
    return latin1ToUtf8(windowClass);
}

}  // namespace

std::vector<xcb_atom_t> clientFactsProperties(Connection& connection)
{
    std::vector<xcb_atom_t> atoms;
    for (const char* name : {"_NET_WM_NAME", "WM_NAME", "WM_CLASS", "_NET_FRAME_EXTENTS", "_NET_WM_WINDOW_TYPE",
                             "_NET_WM_STATE", "WM_STATE", "_NET_WM_DESKTOP", "_NET_WM_WINDOW_OPACITY", "_NET_WM_PID"})
        atoms.push_back(connection.atom(name));
    return atoms;
}

std::vector<std::optional<ClientFacts>> readClientFacts(Connection& connection, const std::vector<xcb_window_t>& windows)
{
    auto* c = connection.xcb();
    const auto root = connection.root();
    const core::Size screen{double(connection.screen()->width_in_pixels), double(connection.screen()->height_in_pixels)};
    const auto request = [&](xcb_window_t window, const char* name, xcb_atom_t type, std::uint32_t length) {
        return xcb_get_property(c, 0, window, connection.atom(name), type, 0, length);
    };
    // Every request goes out before the first answer is awaited: one round trip in all.
    std::vector<Requests> requests;
    requests.reserve(windows.size());
    const bool withRes = connection.hasRes();
    for (const auto window : windows) {
        requests.push_back(Requests{
            xcb_get_window_attributes(c, window),
            xcb_get_geometry(c, window),
            xcb_translate_coordinates(c, window, root, 0, 0),
            request(window, "_NET_WM_NAME", connection.atom("UTF8_STRING"), maxTitleUnits),
            request(window, "WM_NAME", XCB_ATOM_ANY, maxTitleUnits),
            request(window, "WM_CLASS", XCB_ATOM_STRING, 1024),
            request(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 4),
            request(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 32),
            request(window, "_NET_WM_STATE", XCB_ATOM_ATOM, 32),
            request(window, "WM_STATE", XCB_ATOM_ANY, 2),
            request(window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL, 1),
            request(window, "_NET_WM_WINDOW_OPACITY", XCB_ATOM_CARDINAL, 1),
            withRes ? std::optional(askServerPid(connection, window)) : std::nullopt,
            withRes ? std::nullopt : std::optional(request(window, "_NET_WM_PID", XCB_ATOM_CARDINAL, 1)),
        });
    }
    std::vector<std::optional<ClientFacts>> result(windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        auto& r = requests[i];
        const auto attributes = connection.answer(xcb_get_window_attributes_reply, r.attributes);
        const auto geometry = connection.answer(xcb_get_geometry_reply, r.geometry);
        const auto origin = connection.answer(xcb_translate_coordinates_reply, r.origin);
        const auto pid = r.serverPid
                             ? serverPid(connection, *r.serverPid)
                             : declaredPid(unitsOf(reply(xcb_get_property_reply(c, *r.declaredPid, nullptr)).get()));
        const auto netName = reply(xcb_get_property_reply(c, r.netName, nullptr));
        const auto name = reply(xcb_get_property_reply(c, r.name, nullptr));
        const auto windowClass = reply(xcb_get_property_reply(c, r.windowClass, nullptr));
        const auto extents = reply(xcb_get_property_reply(c, r.extents, nullptr));
        const auto types = reply(xcb_get_property_reply(c, r.types, nullptr));
        const auto states = reply(xcb_get_property_reply(c, r.states, nullptr));
        const auto wmState = reply(xcb_get_property_reply(c, r.wmState, nullptr));
        const auto desktop = reply(xcb_get_property_reply(c, r.desktop, nullptr));
        const auto opacity = reply(xcb_get_property_reply(c, r.opacity, nullptr));
        // Gone between the list and now.
        if (!attributes || !geometry || !origin) continue;

        ClientFacts facts;
        facts.window = windows[i];
        facts.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        facts.overrideRedirect = attributes->override_redirect;
        const auto frame = clampedToScreen(extentsOf(unitsOf(extents.get())), screen);
        facts.pixels =
            core::Rect(origin->dst_x - frame.left, origin->dst_y - frame.top,
                       geometry->width + frame.left + frame.right, geometry->height + frame.top + frame.bottom);
        facts.pid = pid;
        facts.title = titleOf(windows[i], netName.get(), name.get(), connection.atom("COMPOUND_TEXT"));
        facts.windowClass = classOf(windowClass.get());
        facts.types = unitsOf(types.get());
        facts.states = unitsOf(states.get());
        facts.iconic = isIconic(connection, unitsOf(wmState.get()), facts.states);
        if (const auto units = unitsOf(desktop.get()); !units.empty()) facts.desktop = units[0];
        if (const auto units = unitsOf(opacity.get()); !units.empty()) facts.opacity = units[0] / 4294967295.0;
        result[i] = std::move(facts);
    }
    return result;
}

}  // namespace x11
