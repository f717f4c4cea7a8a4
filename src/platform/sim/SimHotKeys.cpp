#include "platform/sim/SimHotKeys.h"

#include "platform/sim/SimWorld.h"

#include <optional>

namespace sim {
namespace {

constexpr int highestKeyCode = 127;

std::uint32_t hotKeyMaskOf(std::uint64_t flags)
{
    std::uint32_t mask = 0;
    if (flags & desktop::modifier::command) mask |= desktop::hotkeyModifier::command;
    if (flags & desktop::modifier::shift) mask |= desktop::hotkeyModifier::shift;
    if (flags & desktop::modifier::option) mask |= desktop::hotkeyModifier::option;
    if (flags & desktop::modifier::control) mask |= desktop::hotkeyModifier::control;
    return mask;
}

}  // namespace

SimHotKeys::SimHotKeys(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

desktop::HotKeyStatus SimHotKeys::registerHotKey(desktop::HotKeyIdentity identity, int keyCode, std::uint32_t modifiers,
                                                 desktop::Token& token)
{
    auto status = desktop::HotKeyStatus::ok;
    {
        std::lock_guard lock(mutex_);
        if (keyCode < 0 || keyCode > highestKeyCode) {
            status = desktop::HotKeyStatus::invalid;
        } else {
            for (const auto& [other, entry] : entries_)
                if (entry.code == keyCode && entry.mask == modifiers) status = desktop::HotKeyStatus::taken;
            for (const auto& held : reserved_)
                if (held.code == keyCode && held.mask == modifiers) status = desktop::HotKeyStatus::taken;
        }
        if (status == desktop::HotKeyStatus::ok) {
            token = nextToken_++;
            entries_[token] = Entry{identity, keyCode, modifiers};
        }
    }
    world_->record({{"do", "hotkey.register"},
                    {"id", identity.id},
                    {"code", keyCode},
                    {"mask", modifiers},
                    {"status", desktop::hotkeyStatusCode(status)}});
    return status;
}

void SimHotKeys::setReserved(std::vector<Combination> reserved)
{
    std::lock_guard lock(mutex_);
    reserved_ = std::move(reserved);
}

void SimHotKeys::unregisterHotKey(desktop::Token token)
{
    Entry removed;
    {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(token);
        if (it == entries_.end()) return;
        removed = it->second;
        entries_.erase(it);
    }
    world_->record(
        {{"do", "hotkey.unregister"}, {"id", removed.identity.id}, {"code", removed.code}, {"mask", removed.mask}});
}

void SimHotKeys::setHandler(std::function<void(desktop::HotKeyIdentity, bool)> handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<SimHotKeys::Registration> SimHotKeys::registered()
{
    std::lock_guard lock(mutex_);
    std::vector<Registration> list;
    for (const auto& [token, entry] : entries_) list.push_back({entry.identity.id, entry.code, entry.mask});
    return list;
}

bool SimHotKeys::consume(const desktop::Event& event)
{
    const bool down = event.type == desktop::EventType::keyDown;
    if (!down && event.type != desktop::EventType::keyUp) return false;

    std::optional<desktop::HotKeyIdentity> fired;
    std::function<void(desktop::HotKeyIdentity, bool)> handler;
    {
        std::lock_guard lock(mutex_);
        if (down) {
            const std::uint32_t mask = hotKeyMaskOf(event.modifierFlags);
            for (const auto& [token, entry] : entries_) {
                if (entry.code != event.keyCode || entry.mask != mask) continue;
                held_[event.keyCode] = token;
                fired = entry.identity;
                break;
            }
            if (!fired) return false;
        } else {
            // The release belongs to the hot key whose press was taken, whatever the
            // modifiers are by now.
            const auto held = held_.find(event.keyCode);
            if (held == held_.end()) return false;
            const auto entry = entries_.find(held->second);
            if (entry != entries_.end()) fired = entry->second.identity;
            held_.erase(held);
        }
        handler = handler_;
    }
    if (fired && handler) handler(*fired, down);
    return true;
}

}  // namespace sim
