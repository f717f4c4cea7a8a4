#pragma once

#include "platform/desktop/WindowServer.h"

#include <memory>

namespace sim {

class SimWorld;

// The window server of the simulated desktop: lists the world's windows and paints
// their pictures; the application's own windows join the world here.
class SimWindowServer : public desktop::WindowServer {
public:
    explicit SimWindowServer(std::shared_ptr<SimWorld> world);

    std::optional<std::vector<desktop::WindowInfo>> windowList(desktop::WindowListOption option,
                                                               desktop::WindowID relativeTo = 0,
                                                               bool excludeDesktopElements = false) override;
    desktop::PixelBufferRef windowImage(desktop::WindowID window,
                                        desktop::ImageResolution resolution = desktop::ImageResolution::nominal) override;

    desktop::WindowID registerOwnWindow(const desktop::OwnWindowState& state, desktop::OwnWindowGrab grab,
                                        desktop::OwnWindowEventSink sink, desktop::OwnWindowMoved moved = {}) override;
    void updateOwnWindow(desktop::WindowID window, const desktop::OwnWindowState& state) override;
    void orderOwnWindowFront(desktop::WindowID window) override;
    void unregisterOwnWindow(desktop::WindowID window) override;

private:
    std::shared_ptr<SimWorld> world_;
};

}  // namespace sim
