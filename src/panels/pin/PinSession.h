#pragma once

#include "panels/pin/ActivationPlan.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Input.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"

#include <QPointF>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace views {
class PanelContentView;
}  // namespace views
class PipPanel;
namespace panels {
struct PressDecision;
}  // namespace panels

namespace pin {

class HoverPreview;
class TakeoverFrameCell;
class TakeoverRestoreJob;

// A mini window's pin: the delayed single click that pins the preview, the takeover of the
// source window (moved over the preview box), the forwarding mode where the takeover
// fails, and leaving the pin with the pre-pin stack restored. Owned by its panel. Main
// thread only.
class PinSession {
public:
    explicit PinSession(PipPanel& panel);
    ~PinSession();
    PinSession(const PinSession&) = delete;
    PinSession& operator=(const PinSession&) = delete;

    bool pinned = false;
    bool takeoverActive = false;
    void exitPinnedPreview(std::optional<desktop::Pid> frontPid, std::optional<desktop::WindowID> frontWindowID,
                           bool restoreFrontOrder);
    std::optional<desktop::Token> globalClickMonitor;
    std::vector<desktop::Token> escMonitors;  // global, then local
    bool takeoverCrossSpace = false;
    desktop::Pid takeoverPID = 0;
    // Where the source window goes back to (global points); absent: nothing to restore.
    std::optional<core::Rect> takeoverSavedFrame;
    std::vector<RaiseEntry> prePinRaiseList;  // back to front
    std::vector<desktop::Pid> prePinActivatePids;
    desktop::Pid prePinFrontPid = 0;
    desktop::Pid prePinFrontAppPid = 0;
    std::vector<dispatch::WorkItem> exitTailWork;

    // A press on the picture: the delayed single click (pin, or the focus hint), or a
    // double click.
    void picturePress(const panels::PressDecision& decision);
    void enterPinnedPreview();
    bool enterTakeoverMode(std::optional<core::Rect> boxOverride);
    void activateSilhouetteChain(double spacing);
    void restoreFrameAfterFrontHandoff(desktop::Pid target, double waited);
    // Hands the saved frame to a restore job that outlives this session.
    void restoreTakeoverFrame();
    // Closing, or a takeover that failed: a restore still waiting for its turn starts now.
    void finishPendingRestore();
    // A press in the preview while it takes the mouse (forwarding mode).
    void previewPress(QPointF local, int clickCount);
    // The forwarding mode's click on the preview's picture (top-left point in the picture
    // of the given size): it reaches the source window once, never the preview itself.
    bool forwardPreviewClick(core::Point pointInPicture, core::Size pictureSize, int clickCount);
    // The one pinned session of the process, if any.
    static PinSession* pinnedSession();
    const std::shared_ptr<TakeoverRestoreJob>& restoreJob() const { return restoreJob_; }

    dispatch::WorkItem pendingSingleClickWork;
    dispatch::WorkItem pendingFocusHintWork;
    core::Point singleClickDownGlobal;
    void cancelPendingSingleClickActions();

private:
    static void clearPinnedSession();
    views::PanelContentView& view() const;
    HoverPreview& preview() const;

    void installPinMonitors();
    void removePinMonitors();
    void handleGlobalClick(const desktop::Event& event);
    bool tryTakeover(std::optional<core::Rect> boxOverride);
    void startReadinessPoll(const core::Rect& frameBefore, const core::Rect& box);
    void recentreFromPoll(std::uint64_t generation, const core::Rect& frame);
    void readBack(std::uint64_t generation);
    void scheduleClampCheck(std::uint64_t generation, core::Size size);
    void revealTakeover(std::uint64_t generation);

    PipPanel& panel_;
    std::uint64_t takeoverGeneration_ = 0;
    desktop::WindowID takeoverWindowID_ = 0;
    std::shared_ptr<TakeoverFrameCell> takeoverFrame_;
    core::Rect fittedFrame_;
    core::Rect takeoverBox_;  // global
    std::optional<std::string> takeoverBundleID_;
    std::uint64_t topStripInstallation_ = 0;
    std::shared_ptr<TakeoverRestoreJob> restoreJob_;
    // Last, so work posted about this session stops before the rest of it goes.
    dispatch::Lifetime<PinSession> lifetime_{this};
};

}  // namespace pin
