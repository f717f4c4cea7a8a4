#include "settings/RecorderDecision.h"

#include "platform/desktop/Input.h"
#include "shellcore/HotKeySupport.h"

namespace settings::recorder {

const std::vector<int>& holdCandidates()
{
    // fn, then control, option, shift and command, left before right.
    static const std::vector<int> codes{63, 59, 62, 58, 61, 56, 60, 55, 54};
    return codes;
}

int hotkeyMask(std::uint64_t modifierFlags)
{
    namespace flag = desktop::modifier;
    namespace mask = desktop::hotkeyModifier;
    int result = 0;
    if (modifierFlags & flag::command) result |= mask::command;
    if (modifierFlags & flag::option) result |= mask::option;
    if (modifierFlags & flag::control) result |= mask::control;
    if (modifierFlags & flag::shift) result |= mask::shift;
    return result;
}

bool holdsHotkeyModifier(std::uint64_t modifierFlags)
{
    namespace mask = desktop::hotkeyModifier;
    return (hotkeyMask(modifierFlags) & (mask::command | mask::option | mask::control)) != 0;
}

std::vector<EffectiveCombination> effectiveCombinations(const std::vector<app::HotkeySpec>& specs,
                                                        const IntegerReader& read)
{
    std::vector<EffectiveCombination> rows;
    rows.reserve(specs.size());
    for (const auto& spec : specs) {
        const auto settings = spec.settings();
        rows.push_back({spec.keyPrefix, app::resolveCombination(spec, read(settings.code), read(settings.flags))});
    }
    return rows;
}

std::optional<std::string> conflictingRow(const std::string& keyPrefix, const app::HotKeyCombination& combination,
                                          const std::vector<EffectiveCombination>& rows)
{
    for (const auto& row : rows)
        if (row.keyPrefix != keyPrefix && row.combination == combination) return row.keyPrefix;
    return std::nullopt;
}

KeyPressOutcome decideKeyPress(const std::string& keyPrefix, int keyCode, std::uint64_t modifierFlags,
                               const std::vector<EffectiveCombination>& rows)
{
    using Kind = KeyPressOutcome::Kind;
    if (keyCode == escapeKey) return {Kind::cancel, {}, {}};
    const app::HotKeyCombination combination{keyCode, hotkeyMask(modifierFlags)};
    // Stored, such a code would read back as the row's default key with the new modifiers.
    if (keyCode < 0 || keyCode > app::highestKeyCode) return {Kind::unknownKey, combination, {}};
    if (!holdsHotkeyModifier(modifierFlags)) return {Kind::needsModifier, combination, {}};
    if (auto other = conflictingRow(keyPrefix, combination, rows)) return {Kind::conflict, combination, *other};
    return {Kind::store, combination, {}};
}

HoldTickOutcome decideHoldTick(const std::function<bool(int keyCode)>& isKeyDown)
{
    using Kind = HoldTickOutcome::Kind;
    if (isKeyDown(escapeKey)) return {Kind::cancel, {}};
    if (isKeyDown(deleteKey)) return {Kind::reset, {}};
    for (const int code : holdCandidates())
        if (isKeyDown(code)) return {Kind::record, {code, HotKeySupport::carbonMask(code)}};
    return {Kind::none, {}};
}

}  // namespace settings::recorder
