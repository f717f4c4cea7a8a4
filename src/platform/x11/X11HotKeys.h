#pragma once

#include "platform/desktop/HotKeys.h"
#include "platform/dispatch/WhileAlive.h"

#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

namespace x11 {

class Connection;
class X11KeyMap;

// Global key combinations as passive key grabs on the root window. Each combination is
// grabbed with every state of NumLock, CapsLock and ScrollLock, so a lit lock key does
// not stop it; one that another client holds is refused as already registered. They keep
// the key map current: when the server's keyboard map changes, a combination whose
// keycodes or lock masks moved is grabbed on the new ones; the others keep their grabs,
// so a key pressed while another client remaps its own keys is never missed.
class X11HotKeys : public desktop::HotKeys {
public:
    X11HotKeys(std::shared_ptr<Connection> connection, std::shared_ptr<X11KeyMap> keyMap);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    // A key with no X key answers invalid; the others are grabbed regardless.
    desktop::HotKeyStatus registerHotKey(desktop::HotKeyIdentity identity, int keyCode, std::uint32_t modifiers,
                                         desktop::Token& token) override;
    void unregisterHotKey(desktop::Token token) override;
    void setHandler(std::function<void(desktop::HotKeyIdentity, bool pressed)> handler) override;

private:
    struct Registration {
        desktop::HotKeyIdentity identity;
        int keyCode = 0;  // the platform's
        std::vector<xcb_keycode_t> keycodes;
        std::uint16_t modifiers = 0;  // X mask
        bool pressed = false;
    };
    // One passive grab: a keycode with an X modifier mask.
    using Grab = std::pair<xcb_keycode_t, std::uint16_t>;
    // Every lock-key state the grabs must cover.
    std::vector<std::uint16_t> lockVariants() const;
    // The grabs a registration needs under the current key map.
    std::set<Grab> grabsOf(const Registration& registration) const;
    // ok, or the status of the first refusal with none of them left grabbed.
    desktop::HotKeyStatus grab(const std::set<Grab>& grabs);
    void ungrab(const std::set<Grab>& grabs);
    void handleKey(const xcb_generic_event_t& event);
    // Hands the key's press or release to the handler for the combinations it completes.
    void deliver(xcb_keycode_t keycode, std::uint16_t state, bool pressed);
    // On the main queue, once the pairing time is over: the release, unless its press came.
    void releaseUnlessRepeated(std::uint64_t serial);
    void regrabAfterMappingChange();

    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<X11KeyMap> keyMap_;
    std::uint64_t eventHandler_ = 0;

    std::mutex mutex_;
    std::map<desktop::Token, Registration> registrations_;
    desktop::Token nextToken_ = 1;
    std::shared_ptr<std::function<void(desktop::HotKeyIdentity, bool)>> handler_;
    // The keyboard repeats a held key as a release and a press with one timestamp: a
    // release waits for a press that would pair with it before it counts.
    struct PendingRelease {
        xcb_keycode_t keycode = 0;
        xcb_timestamp_t time = 0;
        std::uint64_t serial = 0;
    };
    std::optional<PendingRelease> pendingRelease_;
    std::uint64_t releaseSerial_ = 0;

    // Main-queue tasks run only while the service lives.
    dispatch::Lifetime<X11HotKeys> lifetime_{this};
};

}  // namespace x11
