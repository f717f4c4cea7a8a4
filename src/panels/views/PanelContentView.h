#pragma once

#include "panels/rules/FocusRegion.h"
#include "panels/rules/HintTracker.h"
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

class MirrorView;
class PipPanel;
class QLabel;

namespace views {

class FrozenBanner;
class GripView;
class TopBarView;

// The content of a mini window: the backdrop and the picture of the captured frames, and
// over them the chrome (top bar, grip, frozen banner, status label). It routes presses and
// pointer moves to its panel's pin session and hover preview. Its own coordinates are
// top-left, y down, as Qt lays out children. Main thread only.
class PanelContentView : public QWidget {
public:
    static constexpr double barHeight = 28;
    static constexpr double edgeInset = 7;

    explicit PanelContentView(const core::Rect& frame, QWidget* parent = nullptr);
    ~PanelContentView() override;

    // The panel whose content view this is; set by the panel, cleared when it goes.
    void setPanel(PipPanel* panel);

    MirrorView& fillView() const { return *fillView_; }
    MirrorView& mirrorView() const { return *mirrorView_; }
    TopBarView& topBar() const { return *topBar_; }
    GripView& grip() const { return *grip_; }
    FrozenBanner& frozenBanner() const { return *frozenBanner_; }
    QLabel& statusLabel() const { return *statusLabel_; }

    // Frames handed to the mirror views since creation.
    long framesShown() const { return framesShown_; }

    // ---- frames and the displayed part ----
    void apply(desktop::PixelBufferRef buffer);
    const core::Rect& baseContentRegion() const { return baseContentRegion_; }
    // The source's content region changed: the picture crops anew.
    void setBaseContentRegion(const core::Rect& region);
    const panels::FocusRegion& focus() const { return focus_; }
    // The part of the source frame the picture shows: the focus within the content region.
    core::Rect shownRegion() const;
    void applyFocusAtInit(const panels::FocusRegion& region);
    void applyRegion();
    // Tells the mirror the largest size the picture and the preview show the whole frame
    // at, when it changed.
    void reportShownSize();

    // ---- chrome ----
    void showChrome(bool visible);
    void showChromeTemporarily();
    // The pointer lies in the panel's frame.
    bool pointerInsidePanel() const;
    // The top bar's title while the preview is pinned, or back to the plain title.
    void setFixedPreview(bool on);
    void setPaused(bool paused);

    // ---- hints, banner, status label ----
    bool fullscreenHintActive() const { return hints_.fullscreenHintActive(); }
    void setFullscreenHintActive(bool active) { hints_.setFullscreenHintActive(active); }
    bool transientHintActive() const { return hints_.transientHintActive(); }
    const panels::HintTracker& hints() const { return hints_; }
    // An ordinary hint, withdrawn by the next frame.
    void showHint(const std::string& text, panels::HintKind kind = panels::HintKind::ordinary);
    // The hint about a fullscreen source, shown once in the panel's life.
    void showFullscreenHint(const std::string& text);
    void showTransientHint(const std::string& text, double hideAfter);
    void hideFreezeHint();
    // The source came back after it was reported gone.
    void withdrawClosingHint();
    bool frozenOn() const { return frozenOn_; }
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
    // The hover preview follows the pointer into and out of the picture's inner area, also
    // when it comes from the top bar or an edge strip.
    void trackPreviewArea(QPointF point);
    bool pointerInPreviewArea_ = false;

    QPointer<PipPanel> panel_;
    MirrorView* const fillView_;
    MirrorView* const mirrorView_;
    TopBarView* const topBar_;
    GripView* const grip_;
    FrozenBanner* const frozenBanner_;
    QLabel* const statusLabel_;
    // The hint as raised; the label shows it fitted to the view's width.
    QString hintText_;
    long framesShown_ = 0;
    core::Rect baseContentRegion_{0, 0, 1, 1};
    panels::FocusRegion focus_;
    bool focusLocked_ = false;
    dispatch::WorkItem chromeTimer_;
    bool fullscreenHintShown_ = false;
    bool frozenOn_ = false;
    std::optional<EdgeResize> resize_;
    QSize reportedShownSize_;
    bool bannerTarget_ = false;
    panels::HintTracker hints_;
};

}  // namespace views
