#pragma once

#include "platform/desktop/Accessibility.h"
#include "platform/desktop/Displays.h"
#include "platform/desktop/Input.h"
#include "platform/desktop/WindowServer.h"
#include "platform/desktop/Workspace.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>

namespace sim {

// How an application answers accessibility, as a scenario sets it.
struct AppBehavior {
    std::optional<desktop::ax::Error> refuseMoves;  // every position or size write fails so
    std::optional<core::Size> minSize;              // enforced silently, not reported
    std::optional<core::Size> reportMinSize;        // reported as AXMinSize
    double settleDelay = 0;                         // seconds before a write takes effect
    double hang = 0;                                // seconds each accessibility call blocks
    std::optional<core::Point> shiftMoves;          // (dx, dy) every position write lands off its target
};

struct SimApp {
    desktop::RunningApp info;
    AppBehavior behavior;
    bool ignoresTerminate = false;  // a quit request leaves it running
};

enum class Content { animated, still };

struct SimWindow {
    desktop::WindowID id = 0;
    desktop::Pid pid = 0;
    std::string title;
    core::Rect frame;  // global points
    long layer = 0;
    Content content = Content::animated;
    bool minimized = false;
    bool offscreen = false;  // exists but is not shown (another Space)
    // In native full screen: on a Space of its own, so off the on-screen list, while
    // accessibility still lists it.
    bool fullscreen = false;
    double alpha = 1;

    // The application's own windows.
    bool own = false;
    bool ownVisible = false;
    bool ignoresMouseEvents = false;
    desktop::OwnWindowGrab grab;
    desktop::OwnWindowEventSink sink;
    desktop::OwnWindowMoved moved;

    // A write that settles later.
    std::optional<core::Rect> pendingFrame;
    double pendingDue = 0;

    // Drawing: a fully covered window keeps showing the content of the moment it was
    // covered.
    bool frozen = false;
    double frozenContentTime = 0;
};

// Windows at or below this layer are desktop elements (the desktop picture and icons).
constexpr long desktopIconLayer = -2147483603;

// The state of the simulated desktop, shared by every simulated service. Thread-safe;
// state that waits for a due virtual time (a settling move, a display's new mode) is
// applied lazily by every call, at its due time, and by a task scheduled for that time
// so that listeners hear of it even when nobody asks.
class SimWorld : public std::enable_shared_from_this<SimWorld> {
public:
    SimWorld();

    // --- displays (frames in global points; the first is the primary) ---
    // Without hasMode the display has no current mode until one it asks for arrives.
    void addDisplay(const desktop::DisplayInfo& display, bool hasMode = true);
    // Windows left on no display move onto the primary one, size kept.
    bool removeDisplay(desktop::DisplayID id);
    bool setDisplayFrame(desktop::DisplayID id, const core::Rect& frame);
    // One configuration commit: moves several displays' origins as one change with one
    // notice, and ended displays whose last lingering commit this is leave the list.
    // False (and nothing moved, nothing counted) when a display is unknown.
    bool commitConfiguration(const std::vector<desktop::OriginChange>& changes);
    // The display takes the mode (points, at the scale) after delay seconds; an ended
    // display takes none.
    void requestDisplayMode(desktop::DisplayID id, const desktop::DisplayMode& mode, double scale, double delay);
    // None for an unknown display and one still waiting for its mode.
    std::optional<desktop::DisplayMode> currentMode(desktop::DisplayID id);
    // The display has ended: it gets no mode any more and stays in the list for the
    // given number of configuration commits (leaving at once for 0, never for none).
    // False when it is unknown or had already ended.
    bool endDisplay(desktop::DisplayID id, std::optional<int> commitsLeft);
    bool hasEnded(desktop::DisplayID id);
    std::vector<desktop::DisplayInfo> displays();
    std::optional<desktop::DisplayInfo> display(desktop::DisplayID id);
    std::optional<desktop::DisplayID> displayAt(core::Point point);
    double firstScreenHeight();
    // A display number no display has had.
    desktop::DisplayID allocateDisplayID();
    // The scale of the display showing the rectangle's centre (the primary's outside every
    // display; 1 without displays).
    double scaleAt(const core::Rect& frame);

    // --- applications ---
    void addApp(const SimApp& app);
    std::optional<SimApp> app(desktop::Pid pid);
    std::vector<SimApp> apps();  // launch order
    // Empty for an unknown application.
    std::string appName(desktop::Pid pid);
    void setHidden(desktop::Pid pid, bool hidden);
    // From now on the application answers accessibility this way; nothing for an unknown
    // application.
    void setBehavior(desktop::Pid pid, const AppBehavior& behavior);
    // The running application with the bundle identifier, or else a new one without
    // windows under a pid no application has had; launched tells which.
    struct Launch {
        desktop::Pid pid = 0;
        bool launched = false;
    };
    Launch runningOrLaunched(const std::string& bundleIdentifier, const std::string& name);
    // Marks the application terminated and removes its windows.
    void terminate(desktop::Pid pid);
    // Activates: the application becomes frontmost and unhidden, and its windows come in
    // front of the others (only its front window without allWindows). Sends the notice.
    void setFrontmost(desktop::Pid pid, bool allWindows = true);
    std::optional<desktop::Pid> frontmost();
    desktop::Pid ownPid() const { return ownPid_; }

    // --- windows ---
    // Adds in front of the others of its layer (or behind all of them).
    void addWindow(SimWindow window, bool inFront = true);
    // Adds the windows behind all others, in order (front to back), and works out what
    // covers what once for all of them: the way a whole desktop is set up.
    void addWindows(std::vector<SimWindow> windows);
    void removeWindow(desktop::WindowID id);
    std::optional<SimWindow> window(desktop::WindowID id);
    // Applies at once.
    void setFrame(desktop::WindowID id, const core::Rect& frame);
    // Applies after delay seconds of virtual time (0: at once).
    void requestFrame(desktop::WindowID id, const core::Rect& frame, double delay);
    void setMinimized(desktop::WindowID id, bool minimized);
    void setFullscreen(desktop::WindowID id, bool fullscreen);
    void setContent(desktop::WindowID id, Content content);
    void raise(desktop::WindowID id);
    // Front to back: higher layers first, then the stacking order.
    std::vector<SimWindow> stack();
    std::vector<desktop::WindowID> stackIds();
    // Walks the stack front to back under the lock, without copying, until visit answers
    // false; visit must not change the world. owner is none for a window of an unknown
    // application.
    using StackVisitor = std::function<bool(const SimWindow& window, const SimApp* owner, bool onScreen)>;
    void visitStack(const StackVisitor& visit);
    std::size_t windowCount();
    desktop::WindowID allocateWindowNumber();
    void updateOwnWindow(desktop::WindowID id, const desktop::OwnWindowState& state);

    bool isOnScreen(desktop::WindowID id);
    bool isCovered(desktop::WindowID id);
    // The moment of the content a window shows now: the virtual time for animated
    // content, the moment of covering for a frozen window, 0 for still content.
    double contentTime(desktop::WindowID id);
    // The front-most on-screen window containing the point that takes mouse events.
    std::optional<SimWindow> windowAt(core::Point point);
    // The application's front-most window that is neither minimised nor on another Space.
    std::optional<desktop::WindowID> focusedWindow(desktop::Pid pid);
    // The own window last made key, while it is shown.
    void setKeyOwnWindow(desktop::WindowID id);
    std::optional<desktop::WindowID> keyOwnWindow();

    // --- grants and policies ---
    bool screenRecordingAllowed();
    void setScreenRecordingAllowed(bool allowed);
    bool accessibilityTrusted();
    void setAccessibilityTrusted(bool trusted);
    desktop::ActivationPolicy activationPolicy();
    void setActivationPolicy(desktop::ActivationPolicy policy);

    // --- notices (called outside the lock, on the thread that made the change, or on the
    // global queue for a change that came due) ---
    using ListenerToken = std::uint64_t;
    ListenerToken onDisplaysChanged(std::function<void()> listener);
    ListenerToken onActivated(std::function<void(desktop::Pid)> listener);
    // A window's frame changed, by any path.
    ListenerToken onWindowFrameChanged(
        std::function<void(desktop::WindowID, desktop::Pid, const core::Rect& from, const core::Rect& to)> listener);
    // An application's focused window became another one.
    ListenerToken onFocusedWindowChanged(std::function<void(desktop::Pid, desktop::WindowID)> listener);
    // Windows may have come, gone, moved, resized, been restacked, shown or hidden.
    ListenerToken onStackChanged(std::function<void()> listener);
    void removeListener(ListenerToken token);

    // --- the journal of what the application did to the desktop ---
    using Journal = std::function<void(const nlohmann::json&)>;
    void setJournal(Journal journal);
    // Adds "t" (virtual seconds) in front of the event's fields.
    void record(nlohmann::json event);

    std::recursive_mutex& mutex() { return mutex_; }

private:
    class Lock;
    struct PendingMode {
        desktop::DisplayID id = 0;
        desktop::DisplayMode mode;
        double scale = 1;
        double due = 0;
    };
    struct Event {
        enum class Kind { displays, activated, frame, focus, stack };
        Event(Kind kind, desktop::Pid pid = 0, desktop::WindowID window = 0, core::Rect from = {}, core::Rect to = {})
            : kind(kind), pid(pid), window(window), from(from), to(to)
        {
        }
        Kind kind;
        desktop::Pid pid;
        desktop::WindowID window;
        core::Rect from;
        core::Rect to;
    };
    struct Listeners {
        std::map<ListenerToken, std::function<void()>> displays;
        std::map<ListenerToken, std::function<void(desktop::Pid)>> activated;
        std::map<ListenerToken, std::function<void(desktop::WindowID, desktop::Pid, const core::Rect&, const core::Rect&)>> frame;
        std::map<ListenerToken, std::function<void(desktop::Pid, desktop::WindowID)>> focus;
        std::map<ListenerToken, std::function<void()>> stack;
    };

    // Applies the changes that have come due, in the order of their due times.
    void settle();
    void settleAfter(double delay);
    // A display takes the mode it asked for.
    void applyMode(const PendingMode& due);
    // A change of one window: its number and the frames it left and took.
    struct Touched {
        desktop::WindowID window = 0;
        std::vector<core::Rect> frames;
    };

    void applyFrame(SimWindow& window, const core::Rect& frame, double at);
    // After a display went: brings the windows that lie on no display onto the primary.
    void gatherStrandedWindows(const core::Rect& removedFrame);
    // Takes the display out of the list, with its stranded windows; no notice.
    bool dropDisplayLocked(desktop::DisplayID id);
    void setPendingFrame(SimWindow& window, std::optional<core::Rect> frame, double due);
    // Works out which windows are fully covered, and freezes or resumes their content as
    // of `at`: all windows, or after a change of one window only those it may cover or
    // uncover (itself and the windows meeting its frames).
    void refreshCoverage(double at, const std::optional<Touched>& touched = std::nullopt);
    void refreshFocus();
    const SimApp* appLocked(desktop::Pid pid) const;
    bool onScreenLocked(const SimWindow& window, const SimApp* owner) const;
    bool onScreenLocked(const SimWindow& window) const;
    bool onVirtualDisplayLocked(const SimWindow& window) const;
    // Front to back, kept by every change of the stack (each one refreshes coverage).
    const std::vector<SimWindow*>& orderedLocked() const;
    void reorderLocked();
    std::map<desktop::Pid, desktop::WindowID> focusMapLocked() const;
    SimWindow* find(desktop::WindowID id);
    SimApp* findApp(desktop::Pid pid);
    desktop::DisplayInfo* findDisplay(desktop::DisplayID id);
    void deliver(const std::vector<Event>& events, const Listeners& listeners);

    mutable std::recursive_mutex mutex_;
    int lockDepth_ = 0;
    std::vector<Event> events_;
    bool stackChanged_ = false;

    const desktop::Pid ownPid_;
    desktop::WindowID keyOwnWindow_ = 0;
    std::vector<desktop::DisplayInfo> displays_;
    std::vector<PendingMode> pendingModes_;
    std::set<desktop::DisplayID> awaitingMode_;
    // Ended displays still listed, with the commits they stay for (none: for good).
    std::map<desktop::DisplayID, std::optional<int>> ended_;
    desktop::DisplayID nextDisplayID_ = 50001;
    std::vector<SimApp> apps_;
    std::unordered_map<desktop::Pid, std::size_t> appIndex_;  // the first application with the pid
    std::map<desktop::WindowID, SimWindow> windows_;
    std::vector<desktop::WindowID> zOrder_;                         // front to back, layers mixed
    std::vector<SimWindow*> ordered_;                               // zOrder_ with the layers first
    std::set<std::pair<double, desktop::WindowID>> pendingFrames_;  // by due time
    std::map<desktop::Pid, desktop::WindowID> focused_;
    std::optional<desktop::Pid> frontmost_;
    desktop::WindowID nextOwnNumber_ = 90001;
    // Far above the pids scenarios give their applications.
    desktop::Pid nextLaunchPid_ = 70001;
    bool screenRecording_ = true;
    bool accessibility_ = true;
    desktop::ActivationPolicy policy_ = desktop::ActivationPolicy::accessory;
    ListenerToken nextListener_ = 1;
    Listeners listeners_;
    Journal journal_;
};

// The pid the simulated desktop gives the application itself.
constexpr desktop::Pid simulatedOwnPid = 100;

}  // namespace sim
