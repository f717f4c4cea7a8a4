#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <functional>
#include <limits>
#include <optional>

namespace app {

// A positive hit test: the window whose corner zone holds the pointer and where its
// block goes (screen coordinates, always 84 x 56).
struct HoverTriggerHit {
    desktop::WindowID windowID = 0;
    core::Rect overlayFrame;
    // A window made later with the number is another target.
    desktop::WindowLife life = 0;
};

// The trigger's state over time, pointer and hit: dwell, show, fade, leave. It draws
// nothing and reads no desktop; each poll tells the block what to do. Main thread only.
class HoverTriggerSensor {
public:
    static constexpr double dwellDelay = 0.8;
    static constexpr double autoFadeAfter = 2.0;
    static constexpr core::Size zone{80, 48};
    // Around a shown block, so that the pointer on the block keeps its target.
    static constexpr core::Size grownZone{96, 64};
    // Polls closer than this to the last accepted one are skipped.
    static constexpr double throttle = 0.05;
    // A hit test is reused while the pointer stays this close, for at most cacheLife.
    static constexpr double cacheSlack = 0.5;
    static constexpr double cacheLife = 1.0;

    // Tests the zone of the given size at the pointer (screen coordinates). Before
    // writing its hit line it asks shouldLogHit with the window number, so that the line
    // is written once per entry into a zone.
    using HitTest = std::function<std::optional<HoverTriggerHit>(
        core::Point pointer, core::Size zone, const std::function<bool(desktop::WindowID)>& shouldLogHit)>;

    enum class Action {
        none,
        orderOut,  // at once, no fade
        show,      // the block, at the hit's overlay frame; call blockShown afterwards
        fadeOut,
    };
    struct Outcome {
        Action action = Action::none;
        std::optional<HoverTriggerHit> hit;
    };

    // One poll at time now (seconds, monotonic). Writes the zone-entry and dwell lines.
    Outcome poll(double now, core::Point pointer, bool optionDown, const HitTest& hitTest);

    // The block has been shown for the current target.
    void blockShown(double now);
    // A click on the block: the target to act on (0 for none). The block counts as
    // shown until its time is up, then as faded for this window.
    desktop::WindowID clicked() const { return currentTarget_; }
    // An Option-drag on the block: the target (0 for none, nothing changed). The block
    // stays away until the pointer leaves the zone or enters another window's.
    desktop::WindowID beginFocusDrag();
    // Forgets the target, the faded mark and the logged zone entry.
    void reset();
    // The next poll tests afresh.
    void forgetCachedHit();

    desktop::WindowID currentTarget() const { return currentTarget_; }
    desktop::WindowID fadedForTarget() const { return fadedForTarget_; }
    bool overlayShown() const { return overlayShown_; }
    std::optional<double> regionEnteredAt() const { return regionEnteredAt_; }

private:
    static constexpr double distantPast = -std::numeric_limits<double>::infinity();

    double lastCheck_ = distantPast;
    desktop::WindowID currentTarget_ = 0;
    desktop::WindowLife currentLife_ = 0;
    std::optional<core::Point> cachedMouse_;
    core::Size cachedRegion_{0, 0};
    std::optional<HoverTriggerHit> cachedHit_;
    double cachedAt_ = distantPast;
    std::optional<double> regionEnteredAt_;
    bool overlayShown_ = false;
    double shownAt_ = distantPast;
    desktop::WindowID fadedForTarget_ = 0;
    // The window whose hit line this entry into its zone has written; 0 for none.
    desktop::WindowID hitLoggedFor_ = 0;
};

}  // namespace app
