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

// The registration status codes the callers compare against.
namespace hotkeyStatus {
constexpr int ok = 0;
constexpr int alreadyRegistered = -9878;  // another registration holds the combination
constexpr int invalidParameter = -50;
constexpr int unavailable = -4;  // the desktop offers no global combinations at all
}  // namespace hotkeyStatus

struct HotKeyIdentity {
    std::uint32_t signature = 0;  // four characters, e.g. 'GLMR'
    std::uint32_t id = 0;
    bool operator==(const HotKeyIdentity&) const = default;
};

class HotKeys {
public:
    virtual ~HotKeys() = default;

    // Registers a global key combination; token set on success (status ok).
    virtual int registerHotKey(HotKeyIdentity identity, int keyCode, std::uint32_t modifiers, Token& token) = 0;
    virtual void unregisterHotKey(Token token) = 0;

    // One handler for the application: called on the main queue with the identity of the
    // combination pressed (pressed true) or released (pressed false).
    virtual void setHandler(std::function<void(HotKeyIdentity, bool pressed)> handler) = 0;
};

}  // namespace desktop
