#pragma once

#include "platform/desktop/Input.h"

#include <atomic>
#include <memory>

namespace x11 {

class Connection;

// The pointer, its buttons and the modifier keys as the X server reports them. Watching,
// taking and posting other applications' input is not done yet: monitors never fire, no
// event tap is made and posted events go nowhere.
class X11Input : public desktop::Input {
public:
    explicit X11Input(std::shared_ptr<Connection> connection);

    core::Point pointerLocation() override;
    int warpPointer(core::Point to) override;
    int moveCursorToPoint(desktop::DisplayID display, core::Point point) override;
    void associateMouseAndCursor(bool connected) override;
    void beep() override;

    bool isButtonDown(int button) override;
    // Only the modifier keys are known, from the modifier state: either side's key
    // counts as both.
    bool isKeyDown(int keyCode) override;
    std::uint64_t modifierFlags() override;

    void postEvent(const desktop::Event& event) override;

    desktop::Token addGlobalMonitor(std::uint64_t mask, std::function<void(const desktop::Event&)> handler) override;
    desktop::Token addLocalMonitor(std::uint64_t mask,
                                   std::function<std::optional<desktop::Event>(const desktop::Event&)> handler) override;
    void removeMonitor(desktop::Token token) override;

    std::optional<desktop::Token> createEventTap(std::uint64_t mask,
                                                 std::function<bool(const desktop::Event&)> handler) override;
    void setEventTapEnabled(desktop::Token tap, bool enabled) override;
    void removeEventTap(desktop::Token tap) override;

private:
    struct PointerState {
        core::Point location;  // global points
        std::uint16_t mask = 0;  // the X server's key-and-button mask
    };
    // The root's pointer; none when the server does not answer.
    std::optional<PointerState> queryPointer();

    const std::shared_ptr<Connection> connection_;
    std::atomic<desktop::Token> nextToken_{1};
};

}  // namespace x11
