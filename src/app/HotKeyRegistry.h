#pragma once

#include "shellcore/HotKeyTable.h"
#include "platform/desktop/HotKeys.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/WhileAlive.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class HoldKeyMonitor;

namespace app {

// The live registrations of the global hot keys: reads each row's combination from the
// settings, registers it under the signature 'GLMR', runs a row's command when its
// combination is pressed (presses only, after the platform's handler has returned) and
// tells the hold-key monitor which key to watch. Main thread only, but for the platform's
// press handler, which only posts.
class HotKeyRegistry {
public:
    static constexpr std::uint32_t signature = 0x474C4D52;  // 'GLMR'

    // run carries out the command of a row whose combination was pressed.
    explicit HotKeyRegistry(std::function<void(Command)> run);
    explicit HotKeyRegistry(std::function<void(Command)> run, HoldKeyMonitor& monitor);
    ~HotKeyRegistry();
    HotKeyRegistry(const HotKeyRegistry&) = delete;
    HotKeyRegistry& operator=(const HotKeyRegistry&) = delete;

    // One-time wiring at launch, after the status item exists: the hold key's press and
    // release go to the given actions, the platform's hot-key presses to the rows, then
    // every hot key is registered.
    void registerHotKey(std::function<void()> beginHoldHide, std::function<void()> endHoldHide);

    // A row whose combination the platform refused, and why.
    struct Refusal {
        std::string keyPrefix;
        desktop::HotKeyStatus status = desktop::HotKeyStatus::ok;
    };

    // Drops every registration, then registers every row from the current settings, so
    // that two rows may exchange combinations; each refused combination is one log line
    // and one entry of the result, in table order. Ends with the hold key handed to the
    // monitor. Called again by the settings window after it stored or cleared a key.
    std::vector<Refusal> registerAllHotkeys();

    // true: every hot key unregistered and the hold-key monitor stopped, so that a key
    // being recorded reaches the recorder alone; false: everything registered again.
    void suspendHotkeys(bool suspended);

    std::optional<HotkeySpec> hotkeySpec(const std::string& byPrefix) const;
    // The display text of the row's current combination; "" for a prefix without a row.
    std::string hotkeyName(const std::string& forKey) const;

    // The row's combination as the settings give it, defaults and fallbacks applied.
    static HotKeyCombination storedCombination(const HotkeySpec& spec);

    // Hot-key id -> registration.
    const std::map<int, desktop::Token>& hotkeyRefs() const { return hotkeyRefs_; }

private:
    void handlePress(desktop::HotKeyIdentity identity);
    void unregisterAll();

    std::function<void(Command)> run_;
    HoldKeyMonitor& monitor_;
    std::map<int, desktop::Token> hotkeyRefs_;
    // Handlers queued on the main queue find the registry gone through this.
    dispatch::Lifetime<HotKeyRegistry> lifetime_{this};
};

}  // namespace app
