#pragma once

#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/HotKeys.h"
#include "shellcore/Commands.h"

#include <optional>
#include <string>
#include <vector>

// The fixed table of global hot keys and the rule that turns stored settings into a key
// combination. Pure: each row names the command it runs.
namespace app {

// One hot key. Its settings are keyPrefix + "Code" and keyPrefix + "Flags".
struct HotkeySpec {
    int id = 0;  // the id half of the registration's identity
    std::string keyPrefix;
    int defaultCode = 0;             // virtual key code
    int defaultFlags = 0;            // hot-key modifier mask
    std::optional<Command> command;  // none for the hold key
    bool isHold = false;             // watched by the hold-key monitor, never registered

    // The settings table has every row's two (HotKeyTableTest).
    defaults::HotKeySettings settings() const { return defaults::setting::hotKey(keyPrefix).value(); }
};

// The eight rows in registration and search order (the ids are not in table order);
// only the hold key's row has isHold.
const std::vector<HotkeySpec>& hotkeySpecs();

// The first row with that prefix.
std::optional<HotkeySpec> hotkeySpec(const std::vector<HotkeySpec>& specs, const std::string& byPrefix);

// The four modifier bits a hot-key mask may hold.
inline constexpr int hotkeyModifierBits = desktop::hotkeyModifier::command | desktop::hotkeyModifier::shift |
                                          desktop::hotkeyModifier::option | desktop::hotkeyModifier::control;
inline constexpr int highestKeyCode = 127;

struct HotKeyCombination {
    int code = 0;
    int flags = 0;
    bool operator==(const HotKeyCombination&) const = default;
};

// What the row's settings mean: a code that is absent, not an integer or outside
// 0...127 gives the row's default code; a mask that is absent, not an integer or holds
// bits other than the four modifiers gives the row's default mask. Each falls back on
// its own.
HotKeyCombination resolveCombination(const HotkeySpec& spec, std::optional<long long> storedCode,
                                     std::optional<long long> storedFlags);

}  // namespace app
