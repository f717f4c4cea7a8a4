#pragma once

#include <cstdint>
#include <map>
#include <string>

// Naming of keys and the modifier tables the hot keys, the hold key and the settings
// window's recorder share. Tables, each built once on first use. Names follow the
// desktop's key notation: symbols ("⌥⌘P", "fn") or words ("Alt+Super+P", "Right Ctrl").
// Shown words are those desktops in the interface language write ("Strg rechts" in
// German), from the built-in key-word table; the log writes them in English. A key that
// types a character is named as the user's keyboard layout prints it, where the desktop
// tells ("Ö" on a German layout).
namespace HotKeySupport {

// Virtual key code -> shown name, the ANSI layout (67 keys; no modifiers), whatever the
// user's layout.
const std::map<int, std::string>& keyNames();
// The nine modifier keys by code ("左⌥" ... "fn"; "Left Alt" ... "Right Ctrl").
const std::map<int, std::string>& modifierKeyNames();
// The keys that may serve as the hold key, each with the device-independent modifier
// flag it sets.
const std::map<int, std::uint64_t>& holdableModifierFlags();

// The hot-key mask of a modifier key code (54 to 62); 0 for any other code, fn included.
int carbonMask(int modifierKeyCode);

// A modifier key's own name alone; otherwise the modifiers in the order control, option,
// shift, command followed by the key's name, "Key<code>" for a code without one: "⌃⌥⇧⌘P"
// in symbols, "Ctrl+Alt+Shift+Super+P" in words. As shown to the user.
std::string displayName(int keyCode, int flags);
// The same name for the log: in words always the English ones.
std::string logName(int keyCode, int flags);

// A menu's key equivalent, the key pressed with Ctrl while the menu is open, as the menu
// shows it: "Strg+," in German words. Empty where the desktop writes symbols, whose menus
// keep the toolkit's own text.
std::string menuKeyEquivalentName(const std::string& key);

}  // namespace HotKeySupport
