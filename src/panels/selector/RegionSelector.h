#pragma once

#include "panels/rules/FocusRegion.h"
#include "panels/selector/RegionSelectorMachine.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Timer.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace selector {

class SelectorPanel;
class SelectorView;

// Lets the user drag out the part of a window that a focus mini window will mirror: an
// overlay over every screen, a selection that follows the pointer by polling at 60 Hz,
// Escape or the right button to cancel. One selection at a time. Main thread only.
class RegionSelector {
public:
    static constexpr long overlayLevel = 1000;
    static constexpr double tickInterval = 1.0 / 60;

    static RegionSelector& shared();

    RegionSelector();
    ~RegionSelector();
    RegionSelector(const RegionSelector&) = delete;
    RegionSelector& operator=(const RegionSelector&) = delete;

    // Receives each successful selection once, after the overlays are gone. Kept after
    // the selection ends.
    std::function<void(desktop::WindowID, const panels::FocusRegion&)> onFinish;

    // Starts a selection, limited to restrictTo when given; armedByMouse says that the
    // button already down belongs to this drag. Ignored while a selection runs; refused
    // when there is no screen to cover.
    void begin(const std::optional<desktop::ShareableWindow>& restrictTo, bool armedByMouse);

    // Exactly while the overlays are up.
    bool isActive() const { return active_; }

    // Global coordinates (origin top left) to screen coordinates by the first screen's
    // height, 900 without screens.
    static core::Rect appkitFrame(const core::Rect& rect);

    const RegionSelectorMachine& machine() const { return machine_; }
    const std::vector<QPointer<SelectorPanel>>& panels() const { return panels_; }
    const std::vector<QPointer<SelectorView>>& views() const { return views_; }

private:
    void tick();
    void pushToViews();
    void teardown();
    void installEscMonitor();
    // The pointer in screen coordinates, as the last poll read it: a tick never waits on
    // the window server.
    static core::Point pointer();

    bool active_ = false;
    std::vector<QPointer<SelectorPanel>> panels_;
    std::vector<QPointer<SelectorView>> views_;
    dispatch::Timer tickTimer_;
    std::optional<desktop::Token> escGlobal_;
    std::optional<desktop::Token> escLocal_;
    bool cursorPushed_ = false;
    RegionSelectorMachine machine_;
    // Handlers that outlive a teardown find it expired and do nothing.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace selector
