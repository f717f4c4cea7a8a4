#pragma once

#include "panels/HoverTriggerHooks.h"

#include <memory>

namespace app {

// The shell's hover trigger. For now it only keeps the region selector's suspension and
// finds windows under a point for it; sensing and the trigger block come with the menu-bar
// shell. Main thread only.
class HoverPIPTrigger : public HoverTriggerHooks {
public:
    using WindowHit = HoverTriggerHooks::WindowHit;

    static const std::shared_ptr<HoverPIPTrigger>& shared();

    // An unchanged value does nothing; otherwise it is kept and logged.
    void setSuspended(bool suspended) override;
    bool isSuspended() const { return suspended_; }

    // Walks the on-screen window list (desktop elements left out) front to back.
    std::optional<WindowHit> windowUnder(core::Point screenPoint, core::Size minSize) override;

private:
    bool suspended_ = false;
};

}  // namespace app
