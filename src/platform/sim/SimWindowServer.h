#pragma once

#include "platform/desktop/WindowServer.h"

#include <atomic>
#include <memory>

namespace sim {

class SimWorld;

// The window server of the simulated desktop: lists the world's windows and paints
// their pictures; the application's own windows join the world here.
class SimWindowServer : public desktop::WindowServer {
public:
    // Ways the window server can let its callers down.
    struct Switches {
        // The on-screen lists (also above and below a window) leave out windows whose
        // centre lies on a virtual display.
        bool omitVirtualFromOnScreen = false;
        // Every list call answers none.
        bool unreadableList = false;
        // Every number names a window made after the one it named when the switch was off.
        bool numbersGivenAgain = false;
    };

    explicit SimWindowServer(std::shared_ptr<SimWorld> world);
    void setSwitches(const Switches& switches);

    std::optional<std::vector<desktop::WindowInfo>> windowList(desktop::WindowListOption option,
                                                               desktop::WindowID relativeTo = 0,
                                                               bool excludeDesktopElements = false) override;
    desktop::PixelBufferRef windowImage(desktop::WindowID window,
                                        desktop::ImageResolution resolution = desktop::ImageResolution::nominal) override;
    desktop::WindowLife windowLife(desktop::WindowID window) override;

    desktop::WindowID registerOwnWindow(const desktop::OwnWindowState& state, desktop::OwnWindowGrab grab,
                                        desktop::OwnWindowEventSink sink, desktop::OwnWindowMoved moved = {}) override;
    void updateOwnWindow(desktop::WindowID window, const desktop::OwnWindowState& state) override;
    void orderOwnWindowFront(desktop::WindowID window) override;
    void makeOwnWindowKey(desktop::WindowID window) override;
    void unregisterOwnWindow(desktop::WindowID window) override;

private:
    // The frames of the virtual displays, when the on-screen lists leave their windows out.
    std::vector<core::Rect> omittedDisplayFrames(desktop::WindowListOption option);

    std::shared_ptr<SimWorld> world_;
    std::atomic<bool> omitVirtualFromOnScreen_ = false;
    std::atomic<bool> unreadableList_ = false;
    std::atomic<bool> numbersGivenAgain_ = false;
};

}  // namespace sim
