#pragma once

#include "platform/desktop/HotKeys.h"

namespace x11 {

// Global key combinations are not taken from the X server yet: every registration
// answers unavailable, so the application keeps its combinations stored and says which
// ones do not work.
class X11HotKeys : public desktop::HotKeys {
public:
    int registerHotKey(desktop::HotKeyIdentity identity, int keyCode, std::uint32_t modifiers,
                       desktop::Token& token) override;
    void unregisterHotKey(desktop::Token token) override;
    void setHandler(std::function<void(desktop::HotKeyIdentity, bool pressed)> handler) override;
};

}  // namespace x11
