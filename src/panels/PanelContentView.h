#pragma once

#include "panels/ActivationPlan.h"
#include "panels/FocusRegion.h"
#include "panels/HintTracker.h"
#include "panels/PreviewStateMachine.h"
#include "platform/core/Geometry.h"
#include "platform/desktop/Input.h"
#include "platform/desktop/Types.h"
#include "platform/dispatch/Queue.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class FrozenBanner;
class GripView;
class MirrorView;
class PipPanel;
namespace pin {
struct PressDecision;
class TakeoverFrameCell;
}  // namespace pin
class PreviewPanel;
class QLabel;
class TakeoverRestoreJob;
class TopBarView;

// The content of a mini window: the backdrop and the picture of the captured frames, and
// over them the chrome (top bar, grip, frozen banner, status label). Its own coordinates
// are top-left, y down, as Qt lays out children. Main thread only.
class PanelContentView : public QWidget {
public:
    static constexpr double barHeight = 28;
    static constexpr double edgeInset = 7;

    explicit PanelContentView(const core::Rect& frame, QWidget* parent = nullptr);
    ~PanelContentView() override;

    // The panel whose content view this is; set by the panel.
    QPointer<PipPanel> panel;

    MirrorView* const fillView;
    MirrorView* const mirrorView;
    TopBarView* const topBar;
    GripView* const grip;
    FrozenBanner* const frozenBanner;
    QLabel* const statusLabel;

    // ---- hover preview (PanelPreview.cpp) ----
    // Created on the first show, kept ordered out for the panel's life.
    std::unique_ptr<PreviewPanel> previewPanel;
    dispatch::WorkItem previewShowTimer;
    bool previewVisible = false;
    // The settings, read at every use.
    bool previewEnabled() const;
    double hoverPreviewDelay() const;
    double previewScale() const;
    // Arms the delayed show, or logs why not.
    void schedulePreviewShow();
    void showPreview();
    // Cancels a pending show and fades the preview out.
    void hidePreview();
    // Screen coordinates, centred on the panel's screen; a zero rectangle without screens.
    core::Rect previewFrame(const PipPanel& panel) const;

    // Frames handed to the mirror views since creation.
    long framesShown = 0;

    // ---- pinned preview, takeover of the source window, leaving the pin ----
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
    std::vector<pin::RaiseEntry> prePinRaiseList;  // back to front
    std::vector<desktop::Pid> prePinActivatePids;
    desktop::Pid prePinFrontPid = 0;
    desktop::Pid prePinFrontAppPid = 0;
    std::vector<dispatch::WorkItem> exitTailWork;

    // A press on the picture: the delayed single click (pin, or the focus hint), or a
    // double click.
    void picturePress(const pin::PressDecision& decision);
    void enterPinnedPreview();
    bool enterTakeoverMode(std::optional<core::Rect> boxOverride);
    void activateSilhouetteChain(double spacing);
    void restoreFrameAfterFrontHandoff(desktop::Pid target, double waited);
    // Hands the saved frame to a restore job that outlives this view.
    void restoreTakeoverFrame();
    // Closing, or a takeover that failed: a restore still waiting for its turn starts now.
    void finishPendingRestore();
    // A press in the preview while it takes the mouse (forwarding mode).
    void previewPress(QPointF local, int clickCount);
    // The forwarding mode's click on the preview's picture (top-left point in the picture
    // of the given size): it reaches the source window once, never the preview itself.
    bool forwardPreviewClick(core::Point pointInPicture, core::Size pictureSize, int clickCount);
    // The one pinned view of the process, if any.
    static PanelContentView* pinnedView();
    const std::shared_ptr<TakeoverRestoreJob>& restoreJob() const { return restoreJob_; }

    dispatch::WorkItem pendingSingleClickWork;
    dispatch::WorkItem pendingFocusHintWork;
    core::Point singleClickDownGlobal;
    void cancelPendingSingleClickActions();

    // ---- frames and the displayed part ----
    void apply(desktop::PixelBufferRef buffer);
    core::Rect baseContentRegion{0, 0, 1, 1};
    FocusRegion focus;
    bool focusLocked = false;
    void applyFocusAtInit(const FocusRegion& region);
    void applyRegion();
    // Tells the mirror the largest size the picture and the preview show the whole frame
    // at, when it changed.
    void reportShownSize();

    // ---- chrome ----
    dispatch::WorkItem chromeTimer;
    void showChrome(bool visible);
    void showChromeTemporarily();
    // The pointer lies in the panel's frame.
    bool pointerInsidePanel() const;

    // ---- hints, banner, status label ----
    bool fullscreenHintShown = false;
    bool frozenOn = false;
    bool fullscreenHintActive() const { return hints_.fullscreenHintActive(); }
    void setFullscreenHintActive(bool active) { hints_.setFullscreenHintActive(active); }
    bool transientHintActive() const { return hints_.transientHintActive(); }
    const HintTracker& hints() const { return hints_; }
    // An ordinary hint, withdrawn by the next frame.
    void showHint(const std::string& text, HintKind kind = HintKind::ordinary);
    void showTransientHint(const std::string& text, double hideAfter);
    void hideFreezeHint();
    // The source came back after it was reported gone.
    void withdrawClosingHint();
    void setFrozenBanner(bool on);
    void layoutStatusLabel();
    static double statusLabelHeight(const std::string& text, double width);

    // ---- presses and the edge resize ----
    // A left press at a point of this view (top-left origin), with the pointer's screen
    // position: on the shown top bar it drags or brings the source forward, on the picture
    // it pins after the delay or acts as a double click.
    void mouseDown(QPointF local, int clickCount, core::Point screenPoint);
    // The grip's gesture: start, each movement, the release.
    void startEdgeResize(unsigned edges, core::Point screenPoint);
    void continueEdgeResize(core::Point screenPoint);
    void finishEdgeResize();
    bool isResizing() const { return resize_.has_value(); }
    // The pointer shape over a resize edge set (top 1, bottom 2, left 4, right 8).
    static Qt::CursorShape cursor(unsigned edges);
    // The edge set of the resize strip under a point, 0 when none.
    unsigned edgesAt(QPointF local) const;
    // The inner area whose entry will schedule the hover preview; empty when too small.
    QRectF previewArea() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutSubviews();
    void installTopBarCallbacks();
    void fadeOutStatusLabel(double duration);
    // Where the window server does not resize the panel from its edges, a press on an
    // edge strip starts the grip's resize; whether it did.
    bool startsOwnEdgeResize(const QMouseEvent& event);

    struct EdgeResize {
        core::Rect startFrame;
        core::Point startPoint;
        unsigned edges;
    };
    // ---- pinned preview and takeover ----
    static void clearPinnedView();
    void installPinMonitors();
    void removePinMonitors();
    void handleGlobalClick(const desktop::Event& event);
    bool tryTakeover(std::optional<core::Rect> boxOverride);
    void startReadinessPoll(const core::Rect& frameBefore, const core::Rect& box);
    void recentreFromPoll(std::uint64_t generation, const core::Rect& frame);
    void readBack(std::uint64_t generation);
    void scheduleClampCheck(std::uint64_t generation, core::Size size);
    void revealTakeover(std::uint64_t generation);
    // Stops a leave's handoff wait and retries; answers the saved frame they still held.
    std::optional<core::Rect> reclaimPendingRestore();
    std::uint64_t takeoverGeneration_ = 0;
    desktop::WindowID takeoverWindowID_ = 0;
    std::shared_ptr<pin::TakeoverFrameCell> takeoverFrame_;
    core::Rect fittedFrame_;
    core::Rect takeoverBox_;  // global
    std::optional<std::string> takeoverBundleID_;
    std::uint64_t topStripInstallation_ = 0;
    std::shared_ptr<TakeoverRestoreJob> restoreJob_;

    // The hover preview follows the pointer into and out of the picture's inner area, also
    // when it comes from the top bar or an edge strip.
    void trackPreviewArea(QPointF point);
    bool pointerInPreviewArea_ = false;

    std::optional<EdgeResize> resize_;
    QSize reportedShownSize_;
    bool bannerTarget_ = false;
    HintTracker hints_;
    panels::PreviewStateMachine previewMachine_;
};
