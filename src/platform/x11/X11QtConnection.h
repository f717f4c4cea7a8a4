#pragma once

#include <xcb/xcb.h>

#include <optional>
#include <string_view>

namespace x11 {

// Qt's own connection to the X server, for the few properties of our widgets' windows and
// of the tray that Qt does not set or read itself; null when Qt is not on xcb. Main
// thread only.
xcb_connection_t* qtConnection();
// The number of the screen Qt runs on (the one DISPLAY names).
int qtScreenNumber();
// The root window of that screen; none when Qt is not on xcb.
xcb_window_t qtRoot();
xcb_atom_t qtAtom(std::string_view name);

}  // namespace x11
