#pragma once

#include "shellcore/HotKeyTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the hot-key recorder makes of a key press or a poll of the held keys, apart from
// any view or store, so the rules can be checked alone.
namespace settings::recorder {

inline constexpr int escapeKey = 53;
inline constexpr int deleteKey = 51;
inline constexpr const char* holdPrefix = "holdHideHotKey";
// How long a message stands in for a recorder button's title.
inline constexpr double flashSeconds = 1.2;
// How long a press with a hot key's modifier may take to reach the recorder before it
// counts as grabbed by another client.
inline constexpr double grabbedPressSeconds = 0.15;

// The keys a hold-key recording accepts, in the order they are tested.
const std::vector<int>& holdCandidates();

// The hot-key mask of an event's modifier flags: command, option, control and shift;
// caps lock, fn and the rest are ignored.
int hotkeyMask(std::uint64_t modifierFlags);
// Whether the flags hold command, option or control, one of which a hot key needs.
bool holdsHotkeyModifier(std::uint64_t modifierFlags);

// Reads an integer setting; none when absent or not an integer.
using IntegerReader = std::function<std::optional<long long>(const defaults::Integer& setting)>;

// Each row's combination as the shell reads it: the stored values under its fallback
// rule, else the table default.
struct EffectiveCombination {
    std::string keyPrefix;
    app::HotKeyCombination combination;
};
std::vector<EffectiveCombination> effectiveCombinations(const std::vector<app::HotkeySpec>& specs,
                                                        const IntegerReader& read);

// The first other row that already has the combination.
std::optional<std::string> conflictingRow(const std::string& keyPrefix, const app::HotKeyCombination& combination,
                                          const std::vector<EffectiveCombination>& rows);

struct KeyPressOutcome {
    enum class Kind {
        cancel,         // Escape, with any modifiers: nothing stored, no message
        unknownKey,     // a key without a code the hot keys can store and register
        needsModifier,  // none of command, option, control
        conflict,       // another row has it
        store,
    };
    Kind kind = Kind::cancel;
    app::HotKeyCombination combination;
    std::string conflictWith;  // conflict only
};
KeyPressOutcome decideKeyPress(const std::string& keyPrefix, int keyCode, std::uint64_t modifierFlags,
                               const std::vector<EffectiveCombination>& rows);

struct HoldTickOutcome {
    enum class Kind {
        none,    // keep polling
        cancel,  // Escape
        reset,   // Delete: back to the built-in key
        record,
    };
    Kind kind = Kind::none;
    app::HotKeyCombination combination;  // record: the key and its own mask
};
HoldTickOutcome decideHoldTick(const std::function<bool(int keyCode)>& isKeyDown);

}  // namespace settings::recorder
