#include "shellcore/HotKeyTable.h"

namespace app {

std::vector<HotkeySpec> hotkeySpecs(const HotKeyActions& actions)
{
    constexpr int optionCommand = 0x900;
    return {
        {1, "captureHotKey", 35, optionCommand, actions.captureFrontmost, false},
        {3, "pauseAllHotKey", 46, optionCommand, actions.togglePauseAll, false},
        {2, "toggleHotKey", 11, optionCommand, actions.togglePanelsVisibility, false},
        {8, "holdHideHotKey", 63, 0, [] {}, true},
        {4, "closeAllHotKey", 13, optionCommand, actions.closeAll, false},
        {5, "tileAllHotKey", 17, optionCommand, actions.tileAll, false},
        {6, "focusCreateHotKey", 3, optionCommand, actions.focusCreate, false},
        {7, "cursorRescueHotKey", 15, optionCommand, actions.cursorRescue, false},
    };
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
    if (storedCode && *storedCode >= 0 && *storedCode <= highestKeyCode) combination.code = static_cast<int>(*storedCode);
    if (storedFlags && *storedFlags >= 0 && (*storedFlags & ~static_cast<long long>(hotkeyModifierBits)) == 0)
        combination.flags = static_cast<int>(*storedFlags);
    return combination;
}

}  // namespace app
