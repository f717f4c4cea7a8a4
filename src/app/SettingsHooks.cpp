#include "app/AppDelegate.h"

#include "app/HotKeyRegistry.h"
#include "app/HoverPIPTrigger.h"
#include "app/MenuThumbnail.h"
#include "settings/SettingsWindow.h"

namespace app {

void AppDelegate::installSettingsHooks()
{
    // What the window asks of the hot keys finds the delegate, or its registry, gone the
    // way an absent delegate would be.
    const auto registry = [hotKeysOf = lifetime_.guard([](AppDelegate& self) { return self.hotKeys(); })] {
        return hotKeysOf().value_or(nullptr);
    };
    SettingsWindow::setShellHooks({
        .hotkeyName =
            [registry](const std::string& keyPrefix) {
                HotKeyRegistry* hotKeys = registry();
                return hotKeys ? hotKeys->hotkeyName(keyPrefix) : std::string("—");
            },
        .registerAllHotkeys =
            [registry] {
                std::vector<SettingsWindow::RefusedHotkey> refused;
                if (HotKeyRegistry* hotKeys = registry())
                    for (const auto& refusal : hotKeys->registerAllHotkeys())
                        refused.push_back({refusal.keyPrefix, refusal.status});
                return refused;
            },
        .suspendHotkeys =
            [registry](bool suspended) {
                if (HotKeyRegistry* hotKeys = registry()) hotKeys->suspendHotkeys(suspended);
            },
        .rebuildMenu = lifetime_.guard([](AppDelegate& self, bool force) { self.rebuildMenu(force); }),
        .hoverTriggerEnabled = [] { return HoverPIPTrigger::shared()->isEnabled(); },
        .setHoverTriggerEnabled = [](bool enabled) { HoverPIPTrigger::shared()->setEnabled(enabled); },
        .startHoverTrigger = [] { HoverPIPTrigger::shared()->start(); },
        .stopHoverTrigger = [] { HoverPIPTrigger::shared()->stop(); },
        .clearMenuThumbnails = [] { MenuThumbnail::clearCache(); },
    });
}

}  // namespace app
