#include "platform/x11/X11HotKeys.h"

namespace x11 {

int X11HotKeys::registerHotKey(desktop::HotKeyIdentity, int, std::uint32_t, desktop::Token&)
{
    return desktop::hotkeyStatus::unavailable;
}

void X11HotKeys::unregisterHotKey(desktop::Token) {}

// Nothing is registered, so nothing is ever pressed.
void X11HotKeys::setHandler(std::function<void(desktop::HotKeyIdentity, bool)>) {}

}  // namespace x11
