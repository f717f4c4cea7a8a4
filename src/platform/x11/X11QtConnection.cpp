#include "platform/x11/X11QtConnection.h"

#include <QGuiApplication>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace x11 {

xcb_connection_t* qtConnection()
{
    const auto* native = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return native ? native->connection() : nullptr;
}

int qtScreenNumber()
{
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen)) return 0;
    std::free(host);
    return screen;
}

xcb_atom_t qtAtom(std::string_view name)
{
    // Interned once: panels ask on every showing.
    static std::map<std::string, xcb_atom_t, std::less<>> known;
    if (const auto found = known.find(name); found != known.end()) return found->second;
    auto* connection = qtConnection();
    if (!connection) return XCB_ATOM_NONE;
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    if (!reply) return XCB_ATOM_NONE;
    known.emplace(name, reply->atom);
    return reply->atom;
}

}  // namespace x11
