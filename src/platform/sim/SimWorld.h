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

namespace sim {

// How an application answers accessibility, as a scenario sets it.
struct AppBehavior {
    std::optional<desktop::ax::Error> refuseMoves;  // every position or size write fails so
    std::optional<core::Size> minSize;              // enforced silently, not reported
    std::optional<core::Size> reportMinSize;        // reported as AXMinSize
    double settleDelay = 0;                         // seconds before a write takes effect
    double hang = 0;                                // seconds each accessibility call blocks
};

struct SimApp {
    desktop::RunningApp info;
    AppBehavior behavior;
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
    double alpha = 1;

    // The application's own windows.
    bool own = false;
    bool ownVisible = false;
    bool ignoresMouseEvents = false;
    desktop::OwnWindowGrab grab;
    desktop::OwnWindowEventSink sink;

    // A write that settles later.
    std::optional<core::Rect> pendingFrame;
    double pendingDue = 0;

    // Drawing: a fully covered window keeps showing the content of the moment it was
    // covered.
    bool frozen = false;
    double frozenContentTime = 0;
};

// The state of the simulated desktop, shared by every simulated service. Thread-safe;
// state that waits for a due virtual time (a settling move) is applied lazily by every
// call, at its due time.
class SimWorld {
public:
    SimWorld();

    // --- displays (frames in global points; the first is the primary) ---
    void addDisplay(const desktop::DisplayInfo& display);
    bool removeDisplay(desktop::DisplayID id);
    bool setDisplayFrame(desktop::DisplayID id, const core::Rect& frame);
    std::vector<desktop::DisplayInfo> displays();
    std::optional<desktop::DisplayInfo> display(desktop::DisplayID id);
    std::optional<desktop::DisplayID> displayAt(core::Point point);
    double firstScreenHeight();

    // --- applications ---
    void addApp(const SimApp& app);
    std::optional<SimApp> app(desktop::Pid pid);
    std::vector<SimApp> apps();  // launch order
    void setHidden(desktop::Pid pid, bool hidden);
    // Marks the application terminated and removes its windows.
    void terminate(desktop::Pid pid);
    void setFrontmost(desktop::Pid pid);
    std::optional<desktop::Pid> frontmost();
    desktop::Pid ownPid() const { return ownPid_; }

    // --- windows ---
    // Adds in front of the others of its layer (or behind all of them).
    void addWindow(SimWindow window, bool inFront = true);
    void removeWindow(desktop::WindowID id);
    std::optional<SimWindow> window(desktop::WindowID id);
    // Applies at once.
    void setFrame(desktop::WindowID id, const core::Rect& frame);
    // Applies after delay seconds of virtual time (0: at once).
    void requestFrame(desktop::WindowID id, const core::Rect& frame, double delay);
    void setMinimized(desktop::WindowID id, bool minimized);
    void setContent(desktop::WindowID id, Content content);
    void raise(desktop::WindowID id);
    // Front to back: higher layers first, then the stacking order.
    std::vector<SimWindow> stack();
    std::vector<desktop::WindowID> stackIds();
    desktop::WindowID allocateWindowNumber();
    void updateOwnWindow(desktop::WindowID id, const desktop::OwnWindowState& state);

    bool isOnScreen(desktop::WindowID id);
    bool isCovered(desktop::WindowID id);
    bool isOnVirtualDisplay(desktop::WindowID id);
    // The moment of the content a window shows now: the virtual time for animated
    // content, the moment of covering for a frozen window, 0 for still content.
    double contentTime(desktop::WindowID id);
    // The front-most on-screen window containing the point that takes mouse events.
    std::optional<SimWindow> windowAt(core::Point point);

    // --- grants and policies ---
    bool screenRecordingAllowed();
    void setScreenRecordingAllowed(bool allowed);
    bool accessibilityTrusted();
    void setAccessibilityTrusted(bool trusted);
    desktop::ActivationPolicy activationPolicy();
    void setActivationPolicy(desktop::ActivationPolicy policy);

    // --- notices (called outside the lock, on the thread that made the change) ---
    void onDisplaysChanged(std::function<void()> listener);
    void onActivated(std::function<void(desktop::Pid)> listener);

    // --- the journal of what the application did to the desktop ---
    using Journal = std::function<void(const nlohmann::json&)>;
    void setJournal(Journal journal);
    // Adds "t" (virtual seconds) in front of the event's fields.
    void record(nlohmann::json event);

    std::recursive_mutex& mutex() { return mutex_; }

private:
    void settle();
    void refreshCoverage(double at);
    bool onScreenLocked(const SimWindow& window) const;
    bool coveredLocked(const SimWindow& window, const std::vector<const SimWindow*>& inFront) const;
    bool onVirtualDisplayLocked(const SimWindow& window) const;
    std::vector<const SimWindow*> orderedLocked() const;
    SimWindow* find(desktop::WindowID id);
    SimApp* findApp(desktop::Pid pid);
    void notifyDisplays();

    mutable std::recursive_mutex mutex_;
    const desktop::Pid ownPid_;
    std::vector<desktop::DisplayInfo> displays_;
    std::vector<SimApp> apps_;
    std::map<desktop::WindowID, SimWindow> windows_;
    std::vector<desktop::WindowID> zOrder_;  // front to back, layers mixed
    std::optional<desktop::Pid> frontmost_;
    desktop::WindowID nextOwnNumber_ = 90001;
    bool screenRecording_ = true;
    bool accessibility_ = true;
    desktop::ActivationPolicy policy_ = desktop::ActivationPolicy::accessory;
    std::vector<std::function<void()>> displayListeners_;
    std::vector<std::function<void(desktop::Pid)>> activationListeners_;
    Journal journal_;
};

// The pid the simulated desktop gives the application itself.
constexpr desktop::Pid simulatedOwnPid = 100;

}  // namespace sim
