#pragma once

#include "app/HoverTriggerBlock.h"
#include "app/HoverTriggerSensor.h"
#include "panels/HoverTriggerHooks.h"
#include "platform/dispatch/Timer.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace app {

// The hover trigger: when the pointer rests in the top-right corner of another
// application's window, a small block appears there; a click on it mirrors the window,
// an Option-drag on it starts a focus selection over it. Polls every 0.2 s, skipping
// ticks while a menu is open. The region selector reaches it through HoverTriggerHooks,
// which the application installs. Main thread only.
//
// The application sets, holding itself weakly:
//   onTrigger   = its trigger-click entry (resolve the window number, then createPanel
//                 with the whole window, reason "悬停触发块·点击");
//   onFocusDrag = its Option-drag entry (resolve the number, then
//                 beginFocusCreate(restrictTo: window)).
// then calls start() at launch; the settings switch calls stop() and start().
class HoverPIPTrigger : public HoverTriggerHooks {
public:
    using WindowHit = HoverTriggerHooks::WindowHit;
    using Hit = HoverTriggerHit;

    static constexpr double pollInterval = 0.2;
    static constexpr core::Size minWindowSize{160, 120};

    // Never destroyed, so no teardown runs after the application object is gone.
    static const std::shared_ptr<HoverPIPTrigger>& shared();

    HoverPIPTrigger() = default;
    ~HoverPIPTrigger() override;
    HoverPIPTrigger(const HoverPIPTrigger&) = delete;
    HoverPIPTrigger& operator=(const HoverPIPTrigger&) = delete;

    std::function<void(desktop::WindowID)> onTrigger;
    std::function<void(desktop::WindowID)> onFocusDrag;

    // Starts polling unless already polling or switched off by "hoverTriggerDisabled".
    void start();
    // Stops polling and orders the block out; nothing else is reset.
    void stop();
    bool isPolling() const { return pollTimer_.isActive(); }
    bool isEnabled() const { return enabled_; }
    // The settings switch sets it before it stops or starts the poll.
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // Suspending orders the block out and forgets the target; both directions make the
    // next poll test afresh. An unchanged value does nothing; a change is logged.
    void setSuspended(bool suspended) override;
    bool isSuspended() const { return suspended_; }

    // The first window of layer 0 not owned by this process under the point (screen
    // coordinates) whose bounds are wider and higher than minSize.
    std::optional<WindowHit> windowUnder(core::Point screenPoint, core::Size minSize) override;
    static std::optional<WindowHit> findWindowUnder(core::Point screenPoint, core::Size minSize);

    // Whether the point lies in the corner zone (regionW x regionH at the right-hand end
    // of the top edge) of the window under it; logs the hit when logHit, and a miss once
    // per owner and window size.
    static std::optional<Hit> hitTest(core::Point screenPoint, double regionW, double regionH,
                                      desktop::WindowID exclude, bool logHit);
    // The same, asking shouldLogHit before writing the hit line.
    static std::optional<Hit> hitTest(core::Point screenPoint, double regionW, double regionH, desktop::WindowID exclude,
                                      const std::function<bool(desktop::WindowID)>& shouldLogHit);

    // One poll; the timer calls it.
    void check();

    const HoverTriggerSensor& sensor() const { return sensor_; }
    // The block's window once it has been shown; none before.
    HoverTriggerBlock* block() const { return panel_.data(); }

private:
    void showOverlay(const Hit& hit);
    void ensurePanel();
    void fadeOutOverlay();
    void orderPanelOut();
    void triggered();
    void beginFocusDrag();

    dispatch::Timer pollTimer_;
    bool suspended_ = false;
    // Made on the first show and kept for the life of the process.
    QPointer<HoverTriggerBlock> panel_;
    HoverTriggerSensor sensor_;
    bool enabled_ = true;

    // The miss line is written once per owner and window size.
    static std::optional<std::string> lastMissKey_;
};

}  // namespace app
