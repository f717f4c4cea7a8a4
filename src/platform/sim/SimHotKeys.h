#pragma once

#include "platform/desktop/HotKeys.h"
#include "platform/desktop/Input.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

class SimWorld;

// Global hot keys of the simulated desktop. Key events pass through here before any
// application sees them: a registered combination fires the handler and is taken.
class SimHotKeys : public desktop::HotKeys {
public:
    explicit SimHotKeys(std::shared_ptr<SimWorld> world);

    desktop::HotKeyStatus registerHotKey(desktop::HotKeyIdentity identity, int keyCode, std::uint32_t modifiers,
                                         desktop::Token& token) override;
    void unregisterHotKey(desktop::Token token) override;
    void setHandler(std::function<void(desktop::HotKeyIdentity, bool pressed)> handler) override;

    struct Combination {
        int code = 0;
        std::uint32_t mask = 0;
    };
    // Combinations another application holds: registering one fails with
    // taken. No holder is simulated, so their presses pass on as usual.
    void setReserved(std::vector<Combination> reserved);

    struct Registration {
        std::uint32_t id = 0;
        int code = 0;
        std::uint32_t mask = 0;
    };
    // Registration order.
    std::vector<Registration> registered();

    // Called for every key-down and key-up before delivery. True when the event belongs
    // to a hot key: the handler is called at once and nobody else sees it.
    bool consume(const desktop::Event& event);

private:
    struct Entry {
        desktop::HotKeyIdentity identity;
        int code = 0;
        std::uint32_t mask = 0;
    };

    std::shared_ptr<SimWorld> world_;
    std::mutex mutex_;
    std::map<desktop::Token, Entry> entries_;  // tokens grow, so this is registration order
    desktop::Token nextToken_ = 1;
    // Key code -> registration whose press is still held, so its release is taken too.
    std::map<int, desktop::Token> held_;
    std::vector<Combination> reserved_;
    std::function<void(desktop::HotKeyIdentity, bool)> handler_;
};

}  // namespace sim
