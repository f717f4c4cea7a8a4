#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Accessibility.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/Workspace.h"

#include <optional>
#include <string>
#include <vector>

// The bridge to other applications' windows: window-list questions, accessibility
// (frames, minimum size, minimised state, raise), activation, click forwarding and the
// System Settings panes. Points and frames are global (top-left origin).
namespace EventBridge {

// What a mirrored source window is doing now.
enum class SourceWindowState { visible, hidden, destroyed };

// ---- window list (any thread) ----

// True until the window is destroyed, also while the window list does not show it.
bool windowExists(desktop::WindowID windowID);
// "owner/layerN" for log lines; "?" without a list, "已销毁?" when the window is gone.
std::string windowOwnerName(desktop::WindowID windowID);
// The owner of the front-most normal (layer 0) window under the point, looking through
// this application's own windows; none when there is none.
std::optional<desktop::Pid> windowOwnerPid(core::Point globalPoint);
// The process that owns a capturable window: its own process id, else the first running
// application with its bundle identifier.
std::optional<desktop::Pid> pidOf(const desktop::ShareableWindow& window);

// ---- accessibility ----

// Whether this process may use accessibility; with prompt, the system asks the user.
bool ensureAccessibility(bool prompt);

// An application's accessibility windows with their window numbers, in matching order.
struct AXWindowList {
    std::vector<desktop::WindowID> windowIDs;
    std::vector<desktop::Element> elements;

    std::optional<desktop::Element> element(desktop::WindowID windowID) const;
};
std::optional<AXWindowList> axWindows(desktop::Pid pid, bool logFailures);

std::optional<core::Rect> axWindowFrame(desktop::WindowID windowID, desktop::Pid pid);
// Writes size and position (size first when asked); true only when both writes succeed.
bool axSetWindowFrame(desktop::WindowID windowID, desktop::Pid pid, const core::Rect& frame, bool sizeFirst);
bool axSetWindowPosition(desktop::WindowID windowID, desktop::Pid pid, core::Point origin);
// The window's reported minimum size, else the application's; none when neither reports one.
std::optional<core::Size> axWindowMinSize(desktop::WindowID windowID, desktop::Pid pid);
bool axWindowMinimized(const desktop::Element& element);
// None when it cannot be told (untrusted, no such process, window not listed).
std::optional<bool> windowMinimizedState(desktop::WindowID windowID, desktop::Pid pid);

// framesActive: the caller's capture stream still delivers frames for the window. A window
// of that life that ended is destroyed, though its number names another window now.
SourceWindowState sourceWindowState(desktop::WindowID windowID, desktop::WindowLife life,
                                    const std::optional<std::string>& bundleID, bool framesActive);

void raiseWindow(desktop::Pid pid, desktop::WindowID windowID);
// Brings an application forward through the workspace (by its bundle when it has one).
void activate(const desktop::RunningApp& app);
// Brings a source window and its application to the front: takes it back from window
// parking, un-minimises it, activates its application. Blocks on the parking queue.
void focus(const desktop::ShareableWindow& window);
// Turns a click at a point of a mirror view (top-left origin) into a real click on the
// source window. Blocks the caller for 25 ms between the two events.
bool forwardClick(core::Point localPoint, core::Size viewSize, const desktop::ShareableWindow& target, int clickCount);

// ---- shared values (main thread only) ----

// When the last click was forwarded, on dispatch::now()'s clock; long ago at start.
inline double lastForwardTime = -1.0e9;
// The last application other than this one that was frontmost; 0 at start.
inline desktop::Pid lastForeignFrontPid = 0;

// ---- System Settings ----

inline constexpr const char* systemSettingsBundleID = "com.apple.systempreferences";
inline constexpr const char* screenRecordingPane =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture";
inline constexpr const char* accessibilityPane =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

// Quits System Settings, waits up to 2 s for it on the global queue, then opens the pane
// on the main queue. Returns at once.
void openSettingsPane(const std::string& address);
// Asks a running System Settings to quit; does not wait.
void closeSystemSettings();

}  // namespace EventBridge
