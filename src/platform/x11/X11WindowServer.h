#pragma once

#include "platform/desktop/WindowServer.h"
#include "platform/x11/X11ClientFactsCache.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowLifetimes.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace x11 {

// The window list of the X11 desktop, from the window manager's client list as the shared
// client cache read it: one window's entry and its presence are answered from the last
// reading at once, a whole list waits (ClientFactsCache::maxWait at most) only for a window
// that just came or went. A window's number is its client window's id. The application's own windows are X windows
// too (Qt's xcb platform), numbered by their X window as a rule: they are listed with
// their level as layer and kept stacked by level among themselves.
class X11WindowServer : public desktop::WindowServer {
public:
    X11WindowServer(std::shared_ptr<Connection> connection, std::shared_ptr<ClientFactsCache> clients);
    ~X11WindowServer() override;
    X11WindowServer(const X11WindowServer&) = delete;
    X11WindowServer& operator=(const X11WindowServer&) = delete;

    std::optional<std::vector<desktop::WindowInfo>> windowList(desktop::WindowListOption option,
                                                               desktop::WindowID relativeTo = 0,
                                                               bool excludeDesktopElements = false) override;
    desktop::PixelBufferRef windowImage(desktop::WindowID window,
                                        desktop::ImageResolution resolution = desktop::ImageResolution::nominal) override;
    // The window manager drops from its list a window its client withdrew (an
    // application hiding to its tray) and keeps one it unmapped to show the desktop:
    // only the server tells that a window was destroyed. Never waits on the server.
    desktop::WindowPresence windowPresence(desktop::WindowID window) override;
    using desktop::WindowServer::windowPresence;
    desktop::WindowLife windowLife(desktop::WindowID window) override;

    // Real windows get real events: the event sink and the move notice go unused here. A
    // window that ignores the mouse lets clicks through the window manager's frame too.
    desktop::WindowID registerOwnWindow(const desktop::OwnWindowState& state, desktop::OwnWindowGrab grab,
                                        desktop::OwnWindowEventSink sink, desktop::OwnWindowMoved moved = {}) override;
    void updateOwnWindow(desktop::WindowID window, const desktop::OwnWindowState& state) override;
    void orderOwnWindowFront(desktop::WindowID window) override;
    void makeOwnWindowKey(desktop::WindowID window) override;
    void unregisterOwnWindow(desktop::WindowID window) override;
    // A destroyed window is told of and no longer stacked: a window manager may take a
    // request naming a window it does not know for a crash (openbox does).
    void onOwnWindowDestroyed(desktop::WindowID window, desktop::OwnWindowDestroyed destroyed) override;

private:
    struct OwnWindow {
        desktop::OwnWindowState state;
        desktop::OwnWindowGrab grab;
        std::uint64_t raisedAt = 0;  // later is in front within its level
        desktop::OwnWindowDestroyed destroyed;
        // The X window another client destroyed, which the widget may still name.
        xcb_window_t gone = XCB_WINDOW_NONE;
    };
    struct Entry {
        desktop::WindowInfo info;
        bool desktopElement = false;
    };

    // Front to back; only the one window's entry when asked for one (a query that runs
    // for every mirror, often, and needs none of the others).
    std::vector<Entry> stackedEntries(std::optional<desktop::WindowID> only = std::nullopt);
    double scaleOf(xcb_window_t frame);
    // Keeps our windows above other clients and a higher level above a lower one.
    void restackOwnWindows();
    // For each window, whether it is override-redirect (the window manager leaves it
    // alone); none when it no longer exists. Asked of the server once per window, then
    // kept from its map and configure notices: restacking comes often.
    std::vector<std::optional<bool>> bypassWindowManager(const std::vector<xcb_window_t>& windows);
    void watch(const desktop::OwnWindowState& state);
    void onEvent(const xcb_generic_event_t& event);
    void forgetDestroyed(xcb_window_t window);

    std::shared_ptr<Connection> connection_;
    const std::shared_ptr<ClientFactsCache> clients_;
    WindowLifetimes lifetimes_;
    Connection::HandlerToken handler_ = 0;
    std::mutex mutex_;
    std::map<desktop::WindowID, OwnWindow> own_;
    std::map<xcb_window_t, bool> overrideRedirect_;
    std::uint64_t raiseCount_ = 0;
    // Own windows without an X window (offscreen runs) take numbers no X id reaches.
    desktop::WindowID nextUnbackedNumber_ = 0x40000000;
};

}  // namespace x11
