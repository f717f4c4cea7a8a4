#include "app/HoverTriggerSensor.h"

#include "foundation/Diag.h"

#include <cmath>
#include <string>

namespace app {

HoverTriggerSensor::Outcome HoverTriggerSensor::poll(double now, core::Point pointer, bool optionDown,
                                                     const HitTest& hitTest)
{
    if (now - lastCheck_ <= throttle) return {};
    lastCheck_ = now;

    const core::Size region = overlayShown_ ? grownZone : zone;
    std::optional<HoverTriggerHit> hit;
    const bool reuse = cachedMouse_ && cachedRegion_ == region && std::abs(pointer.x - cachedMouse_->x) < cacheSlack &&
                       std::abs(pointer.y - cachedMouse_->y) < cacheSlack && now - cachedAt_ < cacheLife;
    if (reuse) {
        hit = cachedHit_;
    } else {
        // A block that shows has had its line; otherwise once per entry into a zone, not
        // at every fresh test while the pointer rests or wanders inside it.
        const auto shouldLogHit = [this](desktop::WindowID window) {
            if (overlayShown_ || window == hitLoggedFor_) return false;
            hitLoggedFor_ = window;
            return true;
        };
        hit = hitTest(pointer, region, shouldLogHit);
        cachedMouse_ = pointer;
        cachedRegion_ = region;
        cachedHit_ = hit;
        cachedAt_ = now;
    }

    if (!hit) {
        reset();
        return {Action::orderOut, std::nullopt};
    }
    if (hit->windowID != currentTarget_ || hit->life != currentLife_) {
        currentTarget_ = hit->windowID;
        currentLife_ = hit->life;
        regionEnteredAt_ = now;
        overlayShown_ = false;
        fadedForTarget_ = 0;
        Diag::log("悬停触发: 进入感应区 id=" + std::to_string(currentTarget_));
        return {Action::orderOut, hit};
    }
    if (!regionEnteredAt_) return {};
    if (now - *regionEnteredAt_ < dwellDelay || fadedForTarget_ == currentTarget_) return {};
    if (overlayShown_) {
        if (now - shownAt_ < autoFadeAfter || optionDown) return {};
        overlayShown_ = false;
        fadedForTarget_ = currentTarget_;
        return {Action::fadeOut, hit};
    }
    Diag::log("悬停触发: 停留达标 → 显示触发块");
    return {Action::show, hit};
}

void HoverTriggerSensor::blockShown(double now)
{
    overlayShown_ = true;
    shownAt_ = now;
}

desktop::WindowID HoverTriggerSensor::beginFocusDrag()
{
    if (currentTarget_ == 0) return 0;
    regionEnteredAt_.reset();
    overlayShown_ = false;
    return currentTarget_;
}

void HoverTriggerSensor::reset()
{
    currentTarget_ = 0;
    regionEnteredAt_.reset();
    overlayShown_ = false;
    fadedForTarget_ = 0;
    hitLoggedFor_ = 0;
}

void HoverTriggerSensor::forgetCachedHit()
{
    cachedMouse_.reset();
    cachedHit_.reset();
    cachedAt_ = distantPast;
}

}  // namespace app
