#pragma once

#include "platform/desktop/Accessibility.h"
#include "platform/x11/X11AccessibilityPlacement.h"
#include "platform/x11/X11ActiveClient.h"
#include "platform/x11/X11BatchedRead.h"
#include "platform/x11/X11ButtonFreeCorners.h"
#include "platform/x11/X11ClientFactsCache.h"
#include "platform/x11/X11Connection.h"

#include <memory>

namespace x11 {

// Window control through the window manager (EWMH): an application is a pid, its windows
// are the managed clients of that pid, and a window's position and size are those of its
// frame as the user sees it. Writes are requests the window manager may clamp or refuse
// (FramePlacement tells which); reads always ask the server where a window really is. Which process a window belongs to
// is taken from the shared client cache. Trust is always granted.
class X11Accessibility : public desktop::Accessibility {
public:
    X11Accessibility(std::shared_ptr<Connection> connection, std::shared_ptr<ClientFactsCache> clients,
                     std::shared_ptr<ActiveClient> active);
    ~X11Accessibility() override;

    bool isTrusted(bool prompt = false) override;
    desktop::ax::Error copyAttribute(const desktop::Element& element, const std::string& attribute,
                                     desktop::AXValue& value) override;
    desktop::ax::Error setAttribute(const desktop::Element& element, const std::string& attribute,
                                    const desktop::AXValue& value) override;
    // Position and size in one request: one result for both.
    FrameWrite setFrame(const desktop::Element& element, const core::Rect& frame, bool sizeFirst) override;
    desktop::ax::Error performAction(const desktop::Element& element, const std::string& action) override;
    std::optional<desktop::WindowID> windowNumber(const desktop::Element& element) override;
    // Below the frame's title bar and inside its border; a client that draws its own
    // title bar has its buttons in its top band as well. Kept once read, until it changes.
    desktop::CornerInset buttonFreeCorner(desktop::WindowID window) override;

    desktop::ax::Error createObserver(desktop::Pid pid, ObserverCallback callback, desktop::Token& observer) override;
    desktop::ax::Error addNotification(desktop::Token observer, const desktop::Element& element,
                                       const std::string& notification) override;
    desktop::ax::Error removeNotification(desktop::Token observer, const desktop::Element& element,
                                          const std::string& notification) override;
    void destroyObserver(desktop::Token observer) override;

private:
    struct Observers;
    // Compares the watched windows and the active one with what was seen last and tells
    // the observers, on the main queue, what changed.
    static void recheck(Connection& connection, const ClientFactsCache& clients, xcb_window_t active,
                        const std::shared_ptr<Observers>& observers);

    desktop::ax::Error copyOfApplication(desktop::Pid pid, const std::string& attribute, desktop::AXValue& value);
    desktop::ax::Error copyOfWindow(xcb_window_t window, const std::string& attribute, desktop::AXValue& value);
    // Either or both of the frame's origin and size, in global points; what names the
    // write in the log line of a window that is gone.
    desktop::ax::Error place(const desktop::Element& element, const std::string& what,
                             std::optional<core::Point> origin, std::optional<core::Size> size);
    desktop::ax::Error setMinimized(xcb_window_t window, const desktop::AXValue& value);

    std::shared_ptr<Connection> connection_;
    const std::shared_ptr<ClientFactsCache> clients_;
    std::shared_ptr<Observers> observers_;
    ButtonFreeCorners corners_;
    FramePlacement placement_;
    const std::shared_ptr<ActiveClient> active_;
    std::shared_ptr<BatchedRead> rechecks_;
    Connection::HandlerToken handler_ = 0;
    desktop::Token activeListener_ = 0;
};

}  // namespace x11
