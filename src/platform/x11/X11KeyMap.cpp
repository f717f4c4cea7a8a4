#include "platform/x11/X11KeyMap.h"

#include "platform/desktop/HotKeys.h"
#include "platform/desktop/Input.h"

#include <QChar>
#include <QString>
#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace x11 {
namespace {

// The keys that type characters, by their place on the keyboard: a layout puts its own
// characters there (Ö where the ANSI layout has ;), and a key recorded on one layout is the
// same key on another. Both keycode sets of X servers (evdev and xfree86) number them alike.
struct KeyPlace {
    int code;
    xcb_keycode_t keycode;
};
constexpr std::array keyPlaces{
    KeyPlace{0x00, 38}, KeyPlace{0x01, 39}, KeyPlace{0x02, 40}, KeyPlace{0x03, 41}, KeyPlace{0x04, 43},
    KeyPlace{0x05, 42}, KeyPlace{0x06, 52}, KeyPlace{0x07, 53}, KeyPlace{0x08, 54}, KeyPlace{0x09, 55},
    KeyPlace{0x0A, 94}, KeyPlace{0x0B, 56}, KeyPlace{0x0C, 24}, KeyPlace{0x0D, 25}, KeyPlace{0x0E, 26},
    KeyPlace{0x0F, 27}, KeyPlace{0x10, 29}, KeyPlace{0x11, 28}, KeyPlace{0x12, 10}, KeyPlace{0x13, 11},
    KeyPlace{0x14, 12}, KeyPlace{0x15, 13}, KeyPlace{0x16, 15}, KeyPlace{0x17, 14}, KeyPlace{0x18, 21},
    KeyPlace{0x19, 18}, KeyPlace{0x1A, 16}, KeyPlace{0x1B, 20}, KeyPlace{0x1C, 17}, KeyPlace{0x1D, 19},
    KeyPlace{0x1E, 35}, KeyPlace{0x1F, 32}, KeyPlace{0x20, 30}, KeyPlace{0x21, 34}, KeyPlace{0x22, 31},
    KeyPlace{0x23, 33}, KeyPlace{0x25, 46}, KeyPlace{0x26, 44}, KeyPlace{0x27, 48}, KeyPlace{0x28, 45},
    KeyPlace{0x29, 47}, KeyPlace{0x2A, 51}, KeyPlace{0x2B, 59}, KeyPlace{0x2C, 61}, KeyPlace{0x2D, 57},
    KeyPlace{0x2E, 58}, KeyPlace{0x2F, 60}, KeyPlace{0x32, 49},
};

struct KeyEntry {
    int code;
    xcb_keysym_t keysym;
};

// The other keys, by what they do, wherever the layout puts them. Right Ctrl stands for fn,
// the key X lacks.
constexpr std::array keyTable{
    KeyEntry{0x24, XK_Return},    KeyEntry{0x30, XK_Tab},       KeyEntry{0x31, XK_space},
    KeyEntry{0x33, XK_BackSpace}, KeyEntry{0x35, XK_Escape},    KeyEntry{0x36, XK_Super_R},
    KeyEntry{0x37, XK_Super_L},   KeyEntry{0x38, XK_Shift_L},   KeyEntry{0x39, XK_Caps_Lock},
    KeyEntry{0x3A, XK_Alt_L},     KeyEntry{0x3B, XK_Control_L}, KeyEntry{0x3C, XK_Shift_R},
    KeyEntry{0x3D, XK_Alt_R},     KeyEntry{0x3F, XK_Control_R}, KeyEntry{0x60, XK_F5},
    KeyEntry{0x61, XK_F6},        KeyEntry{0x62, XK_F7},        KeyEntry{0x63, XK_F3},
    KeyEntry{0x64, XK_F8},        KeyEntry{0x65, XK_F9},        KeyEntry{0x67, XK_F11},
    KeyEntry{0x6D, XK_F10},       KeyEntry{0x6F, XK_F12},       KeyEntry{0x73, XK_Home},
    KeyEntry{0x74, XK_Prior},     KeyEntry{0x75, XK_Delete},    KeyEntry{0x76, XK_F4},
    KeyEntry{0x77, XK_End},       KeyEntry{0x78, XK_F2},        KeyEntry{0x79, XK_Next},
    KeyEntry{0x7A, XK_F1},        KeyEntry{0x7B, XK_Left},      KeyEntry{0x7C, XK_Right},
    KeyEntry{0x7D, XK_Down},      KeyEntry{0x7E, XK_Up},
};

// The character a keysym types; none for one that types no character, and for the legacy
// keysyms of non-Latin scripts, whose keys keep their ANSI names.
std::optional<char32_t> characterOf(xcb_keysym_t keysym)
{
    // dead_grave to dead_ogonek, as the accents they put on the next letter.
    static constexpr std::array<char32_t, 13> accents{0x60, 0xB4,  0x5E,  0x7E,  0xAF, 0x2D8, 0x2D9,
                                                      0xA8, 0x2DA, 0x2DD, 0x2C7, 0xB8, 0x2DB};
    if ((keysym >= 0x21 && keysym <= 0x7E) || (keysym >= 0xA1 && keysym <= 0xFF)) return keysym;
    if (keysym >= 0x1000100 && keysym <= 0x110FFFF) return keysym - 0x1000000;
    if (keysym >= XK_dead_grave && keysym < XK_dead_grave + accents.size()) return accents[keysym - XK_dead_grave];
    return std::nullopt;
}

// What the key's cap shows for the character: letters in capitals, as keyboards print them.
std::string capOf(char32_t character)
{
    const char32_t upper = QChar::toUpper(character);
    return QString::fromUcs4(&upper, 1).toStdString();
}

struct ModifierKey {
    int code;
    std::uint64_t flags;
};

namespace mod = desktop::modifier;
constexpr std::array modifierKeys{
    ModifierKey{desktop::key::rightCommand, mod::command | mod::rightCommand},
    ModifierKey{desktop::key::command, mod::command | mod::leftCommand},
    ModifierKey{desktop::key::shift, mod::shift | mod::leftShift},
    ModifierKey{desktop::key::capsLock, mod::capsLock},
    ModifierKey{desktop::key::option, mod::option | mod::leftOption},
    ModifierKey{desktop::key::control, mod::control | mod::leftControl},
    ModifierKey{desktop::key::rightShift, mod::shift | mod::rightShift},
    ModifierKey{desktop::key::rightOption, mod::option | mod::rightOption},
    ModifierKey{desktop::key::rightControl, mod::control | mod::rightControl},
    ModifierKey{desktop::key::function, mod::function},
};

// The mask of the modifier that holds a keycode of the keysym; 0 when none does.
std::uint16_t maskHolding(xcb_connection_t* connection, xcb_key_symbols_t* symbols, xcb_keysym_t keysym)
{
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> keycodes(xcb_key_symbols_get_keycode(symbols, keysym),
                                                                  &std::free);
    if (!keycodes) return 0;
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> mapping(
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr), &std::free);
    if (!mapping) return 0;
    const xcb_keycode_t* mapped = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i)
            for (const xcb_keycode_t* code = keycodes.get(); *code != XCB_NO_SYMBOL; ++code)
                if (mapped[modifier * perModifier + i] == *code) return static_cast<std::uint16_t>(1u << modifier);
    return 0;
}

}  // namespace

namespace keys {

std::optional<xcb_keysym_t> keysymOf(int keyCode)
{
    for (const auto& entry : keyTable)
        if (entry.code == keyCode) return entry.keysym;
    return std::nullopt;
}

std::optional<int> keyCodeOf(xcb_keysym_t keysym)
{
    for (const auto& entry : keyTable)
        if (entry.keysym == keysym) return entry.code;
    return std::nullopt;
}

std::uint16_t modifierMask(std::uint32_t hotkeyModifiers)
{
    namespace hk = desktop::hotkeyModifier;
    std::uint16_t mask = 0;
    if (hotkeyModifiers & hk::command) mask |= XCB_MOD_MASK_4;
    if (hotkeyModifiers & hk::option) mask |= XCB_MOD_MASK_1;
    if (hotkeyModifiers & hk::control) mask |= XCB_MOD_MASK_CONTROL;
    if (hotkeyModifiers & hk::shift) mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

std::uint64_t flagsOfState(std::uint16_t state)
{
    std::uint64_t flags = 0;
    if (state & XCB_MOD_MASK_LOCK) flags |= mod::capsLock;
    if (state & XCB_MOD_MASK_SHIFT) flags |= mod::shift;
    if (state & XCB_MOD_MASK_CONTROL) flags |= mod::control;
    if (state & XCB_MOD_MASK_1) flags |= mod::option;
    if (state & XCB_MOD_MASK_4) flags |= mod::command;
    return flags;
}

std::uint64_t modifierKeyFlags(int keyCode)
{
    for (const auto& key : modifierKeys)
        if (key.code == keyCode) return key.flags;
    return 0;
}

const std::vector<int>& modifierKeyCodes()
{
    static const std::vector<int> codes = [] {
        std::vector<int> result;
        for (const auto& key : modifierKeys) result.push_back(key.code);
        return result;
    }();
    return codes;
}

}  // namespace keys

X11KeyMap::X11KeyMap(xcb_connection_t* connection) : connection_(connection) { reload(); }

void X11KeyMap::reload()
{
    auto tables = std::make_shared<Tables>();
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(connection_),
                                                                                &xcb_key_symbols_free);
    if (symbols) {
        for (const auto& entry : keyTable) {
            std::unique_ptr<xcb_keycode_t, decltype(&std::free)> found(
                xcb_key_symbols_get_keycode(symbols.get(), entry.keysym), &std::free);
            if (!found) continue;
            for (const xcb_keycode_t* code = found.get(); *code != XCB_NO_SYMBOL; ++code)
                tables->keycodes[entry.code].push_back(*code);
        }
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        for (int keycode = setup->min_keycode; keycode <= setup->max_keycode; ++keycode) {
            const auto code = static_cast<xcb_keycode_t>(keycode);
            if (const auto keyCode = keys::keyCodeOf(xcb_key_symbols_get_keysym(symbols.get(), code, 0)))
                tables->keyCodes[code] = *keyCode;
        }
        // A place without a keysym is no key of this keyboard.
        for (const auto& place : keyPlaces) {
            const xcb_keysym_t keysym = xcb_key_symbols_get_keysym(symbols.get(), place.keycode, 0);
            if (keysym == XCB_NO_SYMBOL) continue;
            tables->keycodes[place.code] = {place.keycode};
            tables->keyCodes[place.keycode] = place.code;
            if (const auto character = characterOf(keysym)) tables->caps[place.code] = capOf(*character);
        }
        tables->numLockMask = maskHolding(connection_, symbols.get(), XK_Num_Lock);
        tables->scrollLockMask = maskHolding(connection_, symbols.get(), XK_Scroll_Lock);
    }
    std::lock_guard lock(mutex_);
    tables_ = std::move(tables);
}

std::shared_ptr<const X11KeyMap::Tables> X11KeyMap::tables() const
{
    std::lock_guard lock(mutex_);
    return tables_;
}

std::vector<xcb_keycode_t> X11KeyMap::keycodes(int keyCode) const
{
    const auto current = tables();
    const auto it = current->keycodes.find(keyCode);
    return it == current->keycodes.end() ? std::vector<xcb_keycode_t>{} : it->second;
}

std::optional<int> X11KeyMap::keyCode(xcb_keycode_t keycode) const
{
    const auto current = tables();
    const auto it = current->keyCodes.find(keycode);
    return it == current->keyCodes.end() ? std::nullopt : std::optional(it->second);
}

std::optional<std::string> X11KeyMap::cap(int keyCode) const
{
    const auto current = tables();
    const auto it = current->caps.find(keyCode);
    return it == current->caps.end() ? std::nullopt : std::optional(it->second);
}

bool X11KeyMap::isDown(const KeyVector& keys, int keyCode) const
{
    const auto codes = keycodes(keyCode);
    return std::any_of(codes.begin(), codes.end(),
                       [&](xcb_keycode_t code) { return keys[code / 8] & (1u << (code % 8)); });
}

std::vector<int> X11KeyMap::heldModifiers(const KeyVector& keys) const
{
    std::vector<int> held;
    for (const int code : keys::modifierKeyCodes())
        if (isDown(keys, code)) held.push_back(code);
    return held;
}

std::uint64_t flagsOfHeldKeys(const std::vector<int>& modifierKeyCodes)
{
    std::uint64_t flags = 0;
    for (const int code : modifierKeyCodes) flags |= keys::modifierKeyFlags(code);
    return flags;
}

}  // namespace x11
