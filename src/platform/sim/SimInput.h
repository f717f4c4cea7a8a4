#pragma once

#include "platform/desktop/Input.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace sim {

class SimHotKeys;
class SimWorld;

enum class MouseButton { left = 0, right = 1 };

// Pointer, buttons, keys and the way of an event through the simulated session: hot
// keys take theirs first, then event taps may swallow it, then it reaches the window
// under the point (mouse) or the frontmost application (keys). The application's own
// windows get it through their sink after its local monitors; events for other
// applications are what its global monitors see.
//
// State changes at once; everything the event reaches runs later on the main queue, in
// the order the events came. Queued deliveries keep it alive.
class SimInput : public desktop::Input, public std::enable_shared_from_this<SimInput> {
public:
    // hotKeys may be null: then no combination is taken.
    static std::shared_ptr<SimInput> create(std::shared_ptr<SimWorld> world, std::shared_ptr<SimHotKeys> hotKeys);
    ~SimInput() override;
    SimInput(const SimInput&) = delete;
    SimInput& operator=(const SimInput&) = delete;

    // From now on pointer warps and moves answer success and move nothing.
    void setIgnoreWarps(bool ignore);
    // Makes the hold keys everyday modifiers, as on desktops whose modifier keys all
    // serve combinations; off by default.
    void setHoldKeysAreEverydayModifiers(bool everyday);
    // From now on a polled pointer reading answers where the pointer was at the last poll,
    // as a window server asked without waiting does; off by default.
    void setPolledPointerLags(bool lags);

    core::Point pointerLocation() override;
    core::Point polledPointerLocation() override;
    int warpPointer(core::Point to) override;
    int moveCursorToPoint(desktop::DisplayID display, core::Point point) override;
    void associateMouseAndCursor(bool connected) override;
    void beep() override;

    bool isButtonDown(int button) override;
    bool isKeyDown(int keyCode) override;
    std::uint64_t modifierFlags() override;

    void postEvent(const desktop::Event& event) override;

    desktop::Token addGlobalMonitor(std::uint64_t mask, std::function<void(const desktop::Event&)> handler) override;
    desktop::Token addLocalMonitor(std::uint64_t mask,
                                   std::function<std::optional<desktop::Event>(const desktop::Event&)> handler) override;
    void removeMonitor(desktop::Token token) override;

    bool holdKeysAreEverydayModifiers() override;
    bool resizesBorderlessWindowsAtEdges() override { return true; }
    bool hasEventTaps() override { return true; }
    std::optional<desktop::Token> createEventTap(std::uint64_t mask,
                                                 std::function<bool(const desktop::Event&)> handler) override;
    void setEventTapEnabled(desktop::Token tap, bool enabled) override;
    void removeEventTap(desktop::Token tap) override;

    // What the user does. Modifier names (cmd, alt, ctrl, shift, fn) are held for that
    // one key event only. A modifier key's own code (54 to 63) makes a flags-changed
    // event and stays down until its key-up.
    void userMouseMove(core::Point to);
    void userMouseDown(MouseButton button, core::Point at, int clickCount = 1);
    void userMouseUp(MouseButton button, core::Point at, int clickCount = 1);
    void userScroll(double deltaX, double deltaY);  // at the pointer
    void userKeyDown(int keyCode, const std::vector<std::string>& modifierNames = {});
    void userKeyUp(int keyCode, const std::vector<std::string>& modifierNames = {});

private:
    template <class Handler>
    struct Hook {
        std::uint64_t mask = 0;
        bool enabled = true;
        Handler handler;
    };
    template <class Handler>
    using Hooks = std::map<desktop::Token, Hook<Handler>>;

    SimInput(std::shared_ptr<SimWorld> world, std::shared_ptr<SimHotKeys> hotKeys);

    // Where an event goes: a window (0 none) and whether the application itself gets it.
    struct Route {
        desktop::WindowID window = 0;
        bool own = false;
    };

    desktop::Event userEvent(desktop::EventType type, core::Point at);
    desktop::Event userKeyEvent(desktop::EventType type, int keyCode, const std::vector<std::string>& modifierNames);
    void dispatchEvent(desktop::Event event, bool posted);
    void applyLocked(desktop::Event& event);
    std::uint64_t heldFlagsLocked() const;
    Route grabbedRouteLocked(desktop::EventType type, Route under);
    Route windowRoute(core::Point at);
    Route keyRoute();
    void journal(const desktop::Event& event);

    // Windows came, went, moved or were restacked under the pointer: the application's
    // window now under it, if another one, is told of the pointer as the one it left is.
    void recheckHover();
    // The pointer came into or left one of the application's windows without a move of
    // its own: the window gets a move to where the pointer is now, as a window system
    // tells a window the pointer came or left. Monitors and taps never see it. Queued on
    // the main queue.
    void tellPointer(desktop::WindowID window, const desktop::Event& event);

    // On the main queue.
    void deliver(desktop::Event event, Route route);
    bool passesTaps(const desktop::Event& event);

    const std::shared_ptr<SimWorld> world_;
    const std::shared_ptr<SimHotKeys> hotKeys_;

    std::mutex mutex_;
    core::Point pointer_;
    bool ignoreWarps_ = false;
    bool holdKeysAreEverydayModifiers_ = false;
    bool polledPointerLags_ = false;
    core::Point lastPolledPointer_;
    std::array<bool, 3> buttons_{};
    std::set<int> keysDown_;
    // The window that got the press keeps the drag and the release.
    std::optional<Route> grab_;
    // The application's window that the pointer is over, as the last mouse event or
    // change of the windows left it (0 none).
    desktop::WindowID hovered_ = 0;
    std::uint64_t stackListener_ = 0;

    desktop::Token nextToken_ = 1;
    Hooks<std::function<void(const desktop::Event&)>> globalMonitors_;
    Hooks<std::function<std::optional<desktop::Event>(const desktop::Event&)>> localMonitors_;
    Hooks<std::function<bool(const desktop::Event&)>> taps_;
};

}  // namespace sim
