#include "app/HotKeyRegistry.h"

#include "app/HoldKeyMonitor.h"
#include "shellcore/HotKeySupport.h"
#include "foundation/Diag.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

namespace app {

HotKeyRegistry::HotKeyRegistry(std::function<void(Command)> run)
    : HotKeyRegistry(std::move(run), HoldKeyMonitor::shared())
{
}

HotKeyRegistry::HotKeyRegistry(std::function<void(Command)> run, HoldKeyMonitor& monitor)
    : run_(std::move(run)), monitor_(monitor)
{
}

// The registrations stay until the process ends; only queued presses are dropped.
HotKeyRegistry::~HotKeyRegistry() = default;

void HotKeyRegistry::registerHotKey(std::function<void()> beginHoldHide, std::function<void()> endHoldHide)
{
    monitor_.onPress = std::move(beginHoldHide);
    monitor_.onRelease = std::move(endHoldHide);
    const auto handle =
        lifetime_.guard([](HotKeyRegistry& self, desktop::HotKeyIdentity identity) { self.handlePress(identity); });
    desktop::hotKeys().setHandler([handle](desktop::HotKeyIdentity identity, bool pressed) {
        if (!pressed) return;
        // The one post of a press: the command runs after the platform's handler has
        // returned, on the main queue whichever thread the handler ran on.
        dispatch::main().async([handle, identity] { handle(identity); });
    });
    registerAllHotkeys();
}

std::vector<HotKeyRegistry::Refusal> HotKeyRegistry::registerAllHotkeys()
{
    // All go before any comes back, so a combination can move to another row.
    unregisterAll();

    std::vector<Refusal> refused;
    const auto& specs = hotkeySpecs();
    for (const auto& spec : specs) {
        if (spec.isHold) continue;
        const HotKeyCombination combination = storedCombination(spec);
        desktop::Token token = 0;
        const auto status =
            desktop::hotKeys().registerHotKey({signature, static_cast<std::uint32_t>(spec.id)}, combination.code,
                                              static_cast<std::uint32_t>(combination.flags), token);
        if (status == desktop::HotKeyStatus::ok) {
            hotkeyRefs_[spec.id] = token;
        } else {
            Diag::log("热键: " + spec.keyPrefix + " 的组合 " +
                      HotKeySupport::logName(combination.code, combination.flags) + " 注册失败（状态 " +
                      std::to_string(desktop::hotkeyStatusCode(status)) + "）⇒ 此热键暂不起作用");
            refused.push_back({spec.keyPrefix, status});
        }
    }

    for (const auto& spec : specs) {
        if (!spec.isHold) continue;
        const HotKeyCombination combination = storedCombination(spec);
        monitor_.apply(combination.code, combination.flags);
        break;
    }
    return refused;
}

void HotKeyRegistry::suspendHotkeys(bool suspended)
{
    if (!suspended) {
        registerAllHotkeys();
        return;
    }
    unregisterAll();
    monitor_.suspend();
}

void HotKeyRegistry::unregisterAll()
{
    for (const auto& [id, token] : hotkeyRefs_) desktop::hotKeys().unregisterHotKey(token);
    hotkeyRefs_.clear();
}

std::optional<HotkeySpec> HotKeyRegistry::hotkeySpec(const std::string& byPrefix) const
{
    return app::hotkeySpec(hotkeySpecs(), byPrefix);
}

std::string HotKeyRegistry::hotkeyName(const std::string& forKey) const
{
    const auto spec = hotkeySpec(forKey);
    if (!spec) return "";
    const HotKeyCombination combination = storedCombination(*spec);
    return HotKeySupport::displayName(combination.code, combination.flags);
}

HotKeyCombination HotKeyRegistry::storedCombination(const HotkeySpec& spec)
{
    const auto settings = spec.settings();
    return resolveCombination(spec, settings.code.stored(), settings.flags.stored());
}

void HotKeyRegistry::handlePress(desktop::HotKeyIdentity identity)
{
    for (const auto& spec : hotkeySpecs()) {
        if (spec.id != static_cast<int>(identity.id)) continue;
        if (spec.command) run_(*spec.command);
        return;
    }
}

}  // namespace app
