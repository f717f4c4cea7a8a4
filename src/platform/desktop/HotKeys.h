#pragma once

#include "platform/desktop/Types.h"

#include <functional>
#include <optional>

namespace desktop {

// Modifier bits of a hot-key registration, with the platform's values.
namespace hotkeyModifier {
constexpr std::uint32_t command = 0x100;
constexpr std::uint32_t shift = 0x200;
constexpr std::uint32_t option = 0x800;
constexpr std::uint32_t control = 0x1000;
}  // namespace hotkeyModifier

// What a registration came to.
enum class HotKeyStatus {
    ok,
    taken,    // another registration holds the combination
    invalid,  // no key of this desktop answers to the code, or the desktop would not take it
};

// The status as the log and the desktop journal write it: the platform's own numbers.
constexpr int hotkeyStatusCode(HotKeyStatus status)
{
    switch (status) {
    case HotKeyStatus::ok: return 0;
    case HotKeyStatus::taken: return -9878;
    case HotKeyStatus::invalid: return -50;
    }
    return 0;
}

struct HotKeyIdentity {
    std::uint32_t signature = 0;  // four characters, e.g. 'GLMR'
    std::uint32_t id = 0;
    bool operator==(const HotKeyIdentity&) const = default;
};

class HotKeys {
public:
    virtual ~HotKeys() = default;

    // Registers a global key combination; token set on success (status ok).
    virtual HotKeyStatus registerHotKey(HotKeyIdentity identity, int keyCode, std::uint32_t modifiers, Token& token) = 0;
    virtual void unregisterHotKey(Token token) = 0;

    // One handler for the application: called with the identity of the combination
    // pressed (pressed true) or released (pressed false) as the desktop reads the key, on
    // whichever thread reads it. It must not block; work for the main queue it posts.
    virtual void setHandler(std::function<void(HotKeyIdentity, bool pressed)> handler) = 0;
};

}  // namespace desktop
