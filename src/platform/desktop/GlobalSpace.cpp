#include "platform/desktop/GlobalSpace.h"

namespace desktop {
namespace {

// A monitor's top-left in global points: Qt keeps screen origins in pixels, so the
// offset from the primary's origin is the same in both.
core::Point globalOrigin(const NativeMonitor& monitor, const NativeMonitor& primary)
{
    return {monitor.pixels.origin.x - primary.pixels.origin.x, monitor.pixels.origin.y - primary.pixels.origin.y};
}

core::Rect globalFrame(const NativeMonitor& monitor, const NativeMonitor& primary)
{
    const auto origin = globalOrigin(monitor, primary);
    return core::Rect(origin.x, origin.y, monitor.pixels.size.width / monitor.scale,
                      monitor.pixels.size.height / monitor.scale);
}

const NativeMonitor& holding(const std::vector<NativeMonitor>& monitors, core::Point pixels)
{
    for (const auto& monitor : monitors)
        if (monitor.pixels.contains(pixels)) return monitor;
    return monitors.front();
}

const NativeMonitor& holdingGlobal(const std::vector<NativeMonitor>& monitors, core::Point global)
{
    for (const auto& monitor : monitors)
        if (globalFrame(monitor, monitors.front()).contains(global)) return monitor;
    return monitors.front();
}

core::Point pixelsToGlobal(const std::vector<NativeMonitor>& monitors, const NativeMonitor& monitor, core::Point p)
{
    const auto origin = globalOrigin(monitor, monitors.front());
    return {origin.x + (p.x - monitor.pixels.origin.x) / monitor.scale,
            origin.y + (p.y - monitor.pixels.origin.y) / monitor.scale};
}

core::Point globalToPixels(const std::vector<NativeMonitor>& monitors, const NativeMonitor& monitor, core::Point p)
{
    const auto origin = globalOrigin(monitor, monitors.front());
    return {monitor.pixels.origin.x + (p.x - origin.x) * monitor.scale,
            monitor.pixels.origin.y + (p.y - origin.y) * monitor.scale};
}

}  // namespace

void GlobalSpace::setMonitors(std::vector<NativeMonitor> monitors)
{
    std::lock_guard lock(mutex_);
    monitors_ = std::move(monitors);
}

std::vector<NativeMonitor> GlobalSpace::monitors() const
{
    std::lock_guard lock(mutex_);
    return monitors_;
}

core::Point GlobalSpace::toGlobal(core::Point pixels) const
{
    std::lock_guard lock(mutex_);
    if (monitors_.empty()) return pixels;
    return pixelsToGlobal(monitors_, holding(monitors_, pixels), pixels);
}

core::Point GlobalSpace::toNative(core::Point global) const
{
    std::lock_guard lock(mutex_);
    if (monitors_.empty()) return global;
    return globalToPixels(monitors_, holdingGlobal(monitors_, global), global);
}

core::Rect GlobalSpace::toGlobal(const core::Rect& pixels) const
{
    std::lock_guard lock(mutex_);
    if (monitors_.empty()) return pixels;
    const auto& monitor = holding(monitors_, {pixels.midX(), pixels.midY()});
    const auto origin = pixelsToGlobal(monitors_, monitor, pixels.origin);
    return core::Rect(origin.x, origin.y, pixels.size.width / monitor.scale, pixels.size.height / monitor.scale);
}

core::Rect GlobalSpace::toNative(const core::Rect& global) const
{
    std::lock_guard lock(mutex_);
    if (monitors_.empty()) return global;
    const auto& monitor = holdingGlobal(monitors_, {global.midX(), global.midY()});
    const auto origin = globalToPixels(monitors_, monitor, global.origin);
    return core::Rect(origin.x, origin.y, global.size.width * monitor.scale, global.size.height * monitor.scale);
}

core::Point GlobalSpace::qtOrigin() const
{
    std::lock_guard lock(mutex_);
    if (monitors_.empty()) return {0, 0};
    return monitors_.front().pixels.origin;
}

GlobalSpace& globalSpace()
{
    static GlobalSpace space;
    return space;
}

}  // namespace desktop
