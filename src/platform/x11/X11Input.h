#pragma once

#include "platform/desktop/Input.h"
#include "platform/dispatch/WhileAlive.h"
#include "platform/x11/X11InputPoll.h"
#include "platform/x11/X11TopLevelClients.h"

#include <xcb/xcb.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class QObject;

namespace x11 {

class X11KeyMap;

// The pointer, its buttons and the keys as the X server reports them. Global monitors
// watch the server's raw key and button events (XInput 2.2; without it they never fire);
// local monitors filter the Qt events of our own windows. No event tap is made; posted
// events go through XTest.
class X11Input : public desktop::Input {
public:
    X11Input(std::shared_ptr<Connection> connection, std::shared_ptr<const X11KeyMap> keyMap);
    ~X11Input() override;
    X11Input(const X11Input&) = delete;
    X11Input& operator=(const X11Input&) = delete;

    core::Point pointerLocation() override;
    int warpPointer(core::Point to) override;
    int moveCursorToPoint(desktop::DisplayID display, core::Point point) override;
    void associateMouseAndCursor(bool connected) override;
    void beep() override;

    bool isButtonDown(int button) override;
    bool isKeyDown(int keyCode) override;
    std::uint64_t modifierFlags() override;
    core::Point polledPointerLocation() override;
    bool polledButtonDown(int button) override;
    bool polledKeyDown(int keyCode) override;
    std::uint64_t polledModifierFlags() override;
    std::optional<std::string> keyCap(int keyCode) override;

    void postEvent(const desktop::Event& event) override;

    desktop::Token addGlobalMonitor(std::uint64_t mask, std::function<void(const desktop::Event&)> handler) override;
    desktop::Token addLocalMonitor(std::uint64_t mask,
                                   std::function<std::optional<desktop::Event>(const desktop::Event&)> handler) override;
    // From the raw key presses, which the server reports whoever grabbed the key.
    std::optional<desktop::Token> addKeyboardMonitor(std::function<void(const desktop::Event&)> handler) override;
    void removeMonitor(desktop::Token token) override;

    // Super, Alt, Ctrl and Shift serve combinations, Right Ctrl (the hold key fn) included.
    bool holdKeysAreEverydayModifiers() override { return true; }
    // Window managers resize windows by their frame, and ours have none.
    bool resizesBorderlessWindowsAtEdges() override { return false; }
    bool hasEventTaps() override { return false; }
    std::optional<desktop::Token> createEventTap(std::uint64_t mask,
                                                 std::function<bool(const desktop::Event&)> handler) override;
    void setEventTapEnabled(desktop::Token tap, bool enabled) override;
    void removeEventTap(desktop::Token tap) override;

private:
    // The root's pointer; none when the server does not answer.
    std::optional<PointerState> queryPointer();
    // The modifier keys held now.
    std::vector<int> heldModifiers();
    // The flags of the keys and the pointer's state (Caps Lock lit).
    std::uint64_t flagsOf(const std::optional<X11KeyMap::KeyVector>& keys, const std::optional<PointerState>& pointer);
    // The flags once a modifier key went down or up, whatever order the server's state
    // (the modifier keys held) and the event arrived in.
    static std::uint64_t flagsAfter(std::vector<int> held, int keyCode, bool pressed);

    void handleRawEvent(const xcb_generic_event_t& event);
    void deliverGlobal(desktop::Event event);
    // Whether the event went to one of our own windows, which only local monitors see.
    static bool isOurs(const desktop::Event& event);
    // Our own windows' event, through the local monitors; false when one swallowed it.
    bool deliverLocal(const desktop::Event& event);
    friend class LocalEventFilter;

    template <class Handler>
    struct Monitor {
        std::uint64_t mask = 0;
        std::shared_ptr<Handler> handler;
    };
    using GlobalHandler = std::function<void(const desktop::Event&)>;
    using LocalHandler = std::function<std::optional<desktop::Event>(const desktop::Event&)>;
    // Calls the monitors of the event's type in turn while call answers true.
    template <class Handler, class Call>
    void forEachMonitor(std::map<desktop::Token, Monitor<Handler>>& monitors, desktop::EventType type, Call call);

    const std::shared_ptr<Connection> connection_;
    const std::shared_ptr<const X11KeyMap> keyMap_;
    // Names the window a global click landed in.
    TopLevelClients topLevels_;
    X11InputPoll poll_;
    std::uint8_t xinputOpcode_ = 0;
    std::uint64_t eventHandler_ = 0;
    QObject* localFilter_ = nullptr;  // installed on the application with the first local monitor
    // Deliveries already queued on the main queue find the input gone.
    dispatch::Lifetime<X11Input> lifetime_{this};
    // The last global left click, for the click count (main queue only).
    double lastClickTime_ = -1;
    core::Point lastClickLocation_;
    int clickCount_ = 0;

    std::mutex mutex_;
    std::map<desktop::Token, Monitor<GlobalHandler>> globalMonitors_;
    std::map<desktop::Token, Monitor<LocalHandler>> localMonitors_;
    std::map<desktop::Token, Monitor<GlobalHandler>> keyboardMonitors_;
    std::atomic<desktop::Token> nextToken_{1};
};

}  // namespace x11
