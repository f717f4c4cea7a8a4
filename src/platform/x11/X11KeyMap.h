#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace x11 {

// The one place that knows both the platform's virtual key codes and modifier masks (the
// hot-key tables and stored settings use them) and the X server's keysyms, keycodes and
// masks. ⌘ is Super (Mod4), ⌥ is Alt (Mod1), ⌃ is Control, ⇧ is Shift; fn (63) is Right
// Ctrl, and right ⌃ (62) has no X key.
namespace keys {

// The keysym of a virtual key code that names no character (Return, F5, the modifiers);
// none for the others, which are keys at a place whatever the layout puts there.
std::optional<xcb_keysym_t> keysymOf(int keyCode);
// The virtual key code of such a keysym; none for the others.
std::optional<int> keyCodeOf(xcb_keysym_t keysym);

// The X modifier mask of a hot-key modifier mask.
std::uint16_t modifierMask(std::uint32_t hotkeyModifiers);

// The device-independent flags of an X key-and-button state (Lock is Caps Lock lit).
std::uint64_t flagsOfState(std::uint16_t state);

// The modifier flags a held modifier key sets: its device-independent flag and its side's
// bit; 0 for any other key.
std::uint64_t modifierKeyFlags(int keyCode);
// The virtual key codes of the modifier keys, in a fixed order.
const std::vector<int>& modifierKeyCodes();

}  // namespace keys

// The key map of one X server: which keycodes carry each virtual key, what the layout puts
// on the keys that type characters, and which masks NumLock and ScrollLock hold. Safe from
// any thread; reload swaps in the server's current map whole.
class X11KeyMap {
public:
    explicit X11KeyMap(xcb_connection_t* connection);
    // Reads the map again (after the server announced a mapping change).
    void reload();

    // Every keycode that produces the key; empty when this keyboard has none.
    std::vector<xcb_keycode_t> keycodes(int keyCode) const;
    // The virtual key code of a keycode; none when the platform has no such key.
    std::optional<int> keyCode(xcb_keycode_t keycode) const;
    // What the cap of a key that types a character shows on this layout ("Ö"); none for
    // other keys and for characters of scripts the keysyms name in their legacy ranges.
    std::optional<std::string> cap(int keyCode) const;

    std::uint16_t numLockMask() const { return tables()->numLockMask; }
    std::uint16_t scrollLockMask() const { return tables()->scrollLockMask; }

    // The keys' bit vector as the X server reports it (QueryKeymap).
    using KeyVector = std::array<std::uint8_t, 32>;
    bool isDown(const KeyVector& keys, int keyCode) const;
    // The virtual key codes of the modifier keys held in the vector.
    std::vector<int> heldModifiers(const KeyVector& keys) const;

private:
    struct Tables {
        std::map<int, std::vector<xcb_keycode_t>> keycodes;
        std::map<xcb_keycode_t, int> keyCodes;
        std::map<int, std::string> caps;
        std::uint16_t numLockMask = 0;
        std::uint16_t scrollLockMask = 0;
    };
    std::shared_ptr<const Tables> tables() const;

    xcb_connection_t* const connection_;
    mutable std::mutex mutex_;
    std::shared_ptr<const Tables> tables_;
};

// The flags of a set of held modifier keys.
std::uint64_t flagsOfHeldKeys(const std::vector<int>& modifierKeyCodes);

}  // namespace x11
