#include "shellcore/HotKeyTable.h"

#include "platform/desktop/Input.h"

namespace app {

const std::vector<HotkeySpec>& hotkeySpecs()
{
    namespace key = desktop::key;
    constexpr int optionCommand = desktop::hotkeyModifier::option | desktop::hotkeyModifier::command;
    static const std::vector<HotkeySpec> table{
        {1, "captureHotKey", key::p, optionCommand, Command::captureFrontmost, false},
        {3, "pauseAllHotKey", key::m, optionCommand, Command::togglePauseAll, false},
        {2, "toggleHotKey", key::b, optionCommand, Command::togglePanels, false},
        {8, "holdHideHotKey", key::function, 0, std::nullopt, true},
        {4, "closeAllHotKey", key::w, optionCommand, Command::closeAll, false},
        {5, "tileAllHotKey", key::t, optionCommand, Command::tileAll, false},
        {6, "focusCreateHotKey", key::f, optionCommand, Command::beginFocusCreate, false},
        {7, "cursorRescueHotKey", key::r, optionCommand, Command::rescueCursor, false},
    };
    return table;
}

std::optional<HotkeySpec> hotkeySpec(const std::vector<HotkeySpec>& specs, const std::string& byPrefix)
{
    for (const auto& spec : specs)
        if (spec.keyPrefix == byPrefix) return spec;
    return std::nullopt;
}

HotKeyCombination resolveCombination(const HotkeySpec& spec, std::optional<long long> storedCode,
                                     std::optional<long long> storedFlags)
{
    HotKeyCombination combination{spec.defaultCode, spec.defaultFlags};
    if (storedCode && *storedCode >= 0 && *storedCode <= highestKeyCode)
        combination.code = static_cast<int>(*storedCode);
    if (storedFlags && *storedFlags >= 0 && (*storedFlags & ~static_cast<long long>(hotkeyModifierBits)) == 0)
        combination.flags = static_cast<int>(*storedFlags);
    return combination;
}

}  // namespace app
