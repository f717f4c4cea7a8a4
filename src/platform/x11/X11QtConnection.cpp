#include "platform/x11/X11QtConnection.h"

#include "platform/x11/X11Reply.h"

#include <QGuiApplication>

#include <cstdlib>
#include <map>
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

xcb_window_t qtRoot()
{
    auto* connection = qtConnection();
    if (!connection) return XCB_WINDOW_NONE;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int skip = qtScreenNumber(); skip > 0 && screens.rem > 0; --skip) xcb_screen_next(&screens);
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

xcb_atom_t qtAtom(std::string_view name)
{
    // Interned once: panels ask on every showing.
    static std::map<std::string, xcb_atom_t, std::less<>> known;
    if (const auto found = known.find(name); found != known.end()) return found->second;
    auto* connection = qtConnection();
    if (!connection) return XCB_ATOM_NONE;
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    const auto interned = reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    if (!interned) return XCB_ATOM_NONE;
    known.emplace(name, interned->atom);
    return interned->atom;
}

}  // namespace x11
