#include "panels/views/PanelContentView.h"

#include "capture/MirrorView.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/GripView.h"
#include "panels/pin/HoverPreview.h"
#include "panels/views/PanelFonts.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/pin/PinSession.h"
#include "panels/PipPanel.h"
#include "panels/rules/PressClassification.h"
#include "panels/views/TopBarView.h"
#include "panels/views/ViewAlpha.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>

#include <cmath>

namespace views {

using namespace panels;

namespace {

std::string flag(bool value) { return value ? "true" : "false"; }

core::Point screenPointOf(const QMouseEvent& event) { return ui::screenPoint(event.globalPosition()); }

}  // namespace

PanelContentView::PanelContentView(const core::Rect& frame, QWidget* parent)
    : QWidget(parent),
      fillView_(new MirrorView(true, true, this)),
      mirrorView_(new MirrorView(true, false, this)),
      topBar_(new TopBarView(this)),
      grip_(new GripView(this)),
      frozenBanner_(new FrozenBanner(this)),
      statusLabel_(new QLabel(this))
{
    setGeometry(ui::roundedRect({0, 0, frame.width(), frame.height()}));
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    // Moves over the chrome stop there, yet they leave the picture's inner area; Qt drops
    // them before any filter unless the widget tracks the mouse.
    for (QWidget* chrome : {static_cast<QWidget*>(topBar_), static_cast<QWidget*>(grip_)}) {
        auto widgets = chrome->findChildren<QWidget*>();
        widgets.push_back(chrome);
        for (QWidget* widget : widgets) {
            widget->setMouseTracking(true);
            widget->installEventFilter(this);
        }
    }

    // Back to front: pictures, banner, status label, top bar, grip.
    frozenBanner_->raise();
    statusLabel_->raise();
    topBar_->raise();
    grip_->raise();

    installAlpha(*fillView_, 1, false);
    installAlpha(*mirrorView_, 1, false);
    installAlpha(*topBar_, 0, true);
    installAlpha(*grip_, 0, true);
    installAlpha(*frozenBanner_, 0, false);
    installAlpha(*statusLabel_, 0, false);

    statusLabel_->setTextFormat(Qt::PlainText);
    statusLabel_->setFont(views::systemFont(12, QFont::Medium));
    statusLabel_->setStyleSheet("color: rgba(255, 255, 255, 242); background: rgba(0, 0, 0, 153); border-radius: 6px;");
    statusLabel_->setAlignment(Qt::AlignCenter);
    statusLabel_->setWordWrap(true);
    statusLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);

    mirrorView_->onShownSizeChange = [this] { reportShownSize(); };
    layoutSubviews();
    installTopBarCallbacks();
}

PanelContentView::~PanelContentView()
{
    // The views go after this body: what they hear of it then is no longer ours.
    mirrorView_->onShownSizeChange = {};
    chromeTimer_.cancel();
    if (resize_) QApplication::restoreOverrideCursor();
}

void PanelContentView::setPanel(PipPanel* panel) { panel_ = panel; }

void PanelContentView::installTopBarCallbacks()
{
    // Menu rows act after their menu closed: by then the panel may be closed.
    const auto onPanel = [self = QPointer<PanelContentView>(this)](auto action) {
        return [self, action](auto... args) {
            if (!self || !self->panel_ || !PipPanel::isRegistered(self->panel_)) return;
            action(*self->panel_, args...);
        };
    };
    topBar_->onClose = onPanel([](PipPanel& panel) { panel.closePanel(true); });
    topBar_->onFrameRateChange = onPanel([](PipPanel& panel, int fps) { panel.applyFrameRateChoice(fps); });
    topBar_->onOpacityChange = onPanel([](PipPanel& panel, double value) { panel.applyOpacityChoice(value); });
    topBar_->onSizeChange = onPanel([](PipPanel& panel, double value) { panel.applySizeChoice(value); });
    topBar_->onSetDefaultRate = onPanel([](PipPanel& panel) { panel.setRateValueAsDefault(); });
    topBar_->onSetDefaultOpacity = onPanel([](PipPanel& panel) { panel.setOpacityValueAsDefault(); });
    topBar_->onSetDefaultSize = onPanel([](PipPanel& panel) { panel.setSizeValueAsDefault(); });
    topBar_->onOpenOriginal = onPanel([](PipPanel& panel) {
        if (const auto pid = EventBridge::pidOf(panel.target)) {
            if (desktop::workspace().application(*pid))
                desktop::workspace().activate(*pid, desktop::ActivationOptions{.allWindows = true});
        }
        panel.closePanel(true);
    });
}

void PanelContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}

void PanelContentView::layoutSubviews()
{
    const double w = width();
    const double h = height();
    fillView_->setGeometry(rect());
    mirrorView_->setGeometry(rect());
    topBar_->setGeometry(ui::roundedRect({0, 0, w, barHeight}));
    grip_->setGeometry(ui::roundedRect({w - 16, h - 16, 16, 16}));
    layoutStatusLabel();
    frozenBanner_->layoutInParent();
}

// ---- frames ----

void PanelContentView::apply(desktop::PixelBufferRef buffer)
{
    ++framesShown_;
    if (hints_.visible() && viewAlpha(*statusLabel_) > 0.5 && hints_.frameArrived(panel_ && panel_->sourceClosing()))
        fadeOutStatusLabel(panels::HintTracker::withdrawFadeDuration);
    fillView_->display(buffer);
    if (panel_) panel_->hoverPreview->display(buffer);
    mirrorView_->display(std::move(buffer));
}

core::Rect PanelContentView::shownRegion() const { return focus_.composedInto(baseContentRegion_); }

void PanelContentView::setBaseContentRegion(const core::Rect& region)
{
    baseContentRegion_ = region;
    applyRegion();
}

void PanelContentView::applyRegion()
{
    const core::Rect crop = shownRegion();
    fillView_->setContentsRegion(crop);
    mirrorView_->setContentsRegion(crop);
    if (panel_) panel_->hoverPreview->setContentsRegion(crop);
}

void PanelContentView::reportShownSize()
{
    QSize largest = mirrorView_->shownFrameSize();
    if (panel_) largest = largest.expandedTo(panel_->hoverPreview->shownFrameSize());
    // A hidden panel keeps what it showed last.
    if (largest.isEmpty() || largest == reportedShownSize_ || !panel_ || !panel_->mirror) return;
    reportedShownSize_ = largest;
    panel_->mirror->setShownSize(largest.width(), largest.height());
}

void PanelContentView::applyFocusAtInit(const panels::FocusRegion& region)
{
    if (focusLocked_) return;
    focusLocked_ = true;
    focus_ = region;
    applyRegion();
    const core::Size panelSize = panel_ ? panel_->frame().size : core::Size{1.0 * width(), 1.0 * height()};
    const core::Size sourceSize = panel_ ? panel_->target.frame.size : core::Size{};
    Diag::log(panels::focusLockLogLine(focus_, panelSize, sourceSize));
}

// ---- presses ----

void PanelContentView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    if (startsOwnEdgeResize(*event)) return;
    mouseDown(event->position(), 1, screenPointOf(*event));
}

void PanelContentView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    if (startsOwnEdgeResize(*event)) return;
    mouseDown(event->position(), 2, screenPointOf(*event));
}

bool PanelContentView::startsOwnEdgeResize(const QMouseEvent& event)
{
    if (!panel_ || desktop::input().resizesBorderlessWindowsAtEdges()) return false;
    const unsigned edges = edgesAt(event.position());
    if (edges == 0) return false;
    panel_->mouseDownHandled = true;
    startEdgeResize(edges, screenPointOf(event));
    return true;
}

void PanelContentView::mouseDown(QPointF local, int clickCount, core::Point screenPoint)
{
    QPointer<PipPanel> owner = panel_;
    if (!owner) return;
    owner->mouseDownHandled = true;
    pin::PinSession& session = *owner->pinSession;
    session.singleClickDownGlobal = screenPoint;

    const bool chrome = viewAlpha(*topBar_) > 0.5;
    Diag::log("mouseDown: p=(" + capture::wholeText(local.x()) + "," + capture::wholeText(local.y()) + ") 全局=(" +
              capture::wholeText(screenPoint.x) + "," + capture::wholeText(screenPoint.y) +
              ") click=" + std::to_string(clickCount) + " chrome=" + flag(chrome) +
              " visible=" + flag(owner->hoverPreview->previewVisible) + " pinned=" + flag(session.pinned));

    const panels::PressDecision decision =
        panels::classifyPress({local.x(), local.y()}, clickCount, viewAlpha(*topBar_), focus_);
    switch (decision.kind) {
    case panels::PressKind::barDrag:
        Diag::log(decision.logLine);
        owner->performDrag(screenPoint);
        return;
    case panels::PressKind::barDouble:
        session.cancelPendingSingleClickActions();
        Diag::log(decision.logLine);
        EventBridge::focus(owner->target);
        return;
    default: session.picturePress(decision);
    }
}

void PanelContentView::mouseMoveEvent(QMouseEvent* event)
{
    const core::Point point = screenPointOf(*event);
    if (resize_) return continueEdgeResize(point);
    if (panel_ && panel_->isDragging()) return panel_->dragMoved(point);
    if (event->buttons() == Qt::NoButton) {
        trackPreviewArea(event->position());
        const unsigned edges = edgesAt(event->position());
        if (edges)
            setCursor(cursor(edges));
        else
            unsetCursor();
    }
}

void PanelContentView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    if (resize_) return finishEdgeResize();
    if (panel_ && panel_->isDragging()) panel_->endDrag();
}

// ---- edge resize ----

void PanelContentView::startEdgeResize(unsigned edges, core::Point screenPoint)
{
    if (!panel_) return;
    Diag::log("startEdgeResize 进入: edges=" + std::to_string(edges) + "（原地松开=无拖动，此分支吞掉本次单击）");
    panel_->pinSession->cancelPendingSingleClickActions();
    panel_->hoverPreview->cancelPendingShow();
    panel_->pinSession->exitPinnedPreview(std::nullopt, std::nullopt, false);
    panel_->hoverPreview->hidePreview();
    const core::Rect start = panel_->frame();
    panel_->preActionFrame = start;
    if (!resize_) QApplication::setOverrideCursor(cursor(edges));
    resize_ = EdgeResize{start, screenPoint, edges};
}

void PanelContentView::continueEdgeResize(core::Point screenPoint)
{
    if (!resize_ || !panel_) return;
    panel_->applyResize(resize_->startFrame,
                        {screenPoint.x - resize_->startPoint.x, screenPoint.y - resize_->startPoint.y}, resize_->edges);
}

void PanelContentView::finishEdgeResize()
{
    if (!resize_) return;
    resize_.reset();
    QApplication::restoreOverrideCursor();
    if (panel_ && !panel_->enforceRealScreen("边缘缩放")) panel_->snapToEdges();
}

Qt::CursorShape PanelContentView::cursor(unsigned edges)
{
    using E = panels::ResizeEdges;
    const bool top = edges & E::top, bottom = edges & E::bottom, left = edges & E::left, right = edges & E::right;
    const int count = top + bottom + left + right;
    if (count >= 3) return Qt::SizeFDiagCursor;
    if ((top && left) || (bottom && right)) return Qt::SizeFDiagCursor;
    if ((top && right) || (bottom && left)) return Qt::SizeBDiagCursor;
    if (left || right) return Qt::SizeHorCursor;
    return Qt::SizeVerCursor;
}

unsigned PanelContentView::edgesAt(QPointF p) const
{
    using E = panels::ResizeEdges;
    const double w = width(), h = height();
    if (w <= 2 * edgeInset || h <= 2 * edgeInset) return 0;
    unsigned edges = 0;
    if (p.y() >= 0 && p.y() < edgeInset) edges |= E::top;
    if (p.y() >= h - edgeInset && p.y() < h) edges |= E::bottom;
    if (p.x() >= 0 && p.x() < edgeInset) edges |= E::left;
    if (p.x() >= w - edgeInset && p.x() < w) edges |= E::right;
    return edges;
}

QRectF PanelContentView::previewArea() const
{
    const double w = std::max(width() - 2 * edgeInset, 0.0);
    const double h = std::max(height() - barHeight - 2 * edgeInset, 0.0);
    if (w <= 0 || h <= 0) return {};
    return QRectF(edgeInset, barHeight + edgeInset, w, h);
}

// ---- the pointer entering and leaving ----

void PanelContentView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    showChrome(true);
    // The pointer comes from outside, so an entry into the inner area counts anew. Only
    // its next motion does: an entry without one is a menu or window closing over a
    // resting pointer, which is no hover.
    pointerInPreviewArea_ = false;
}

void PanelContentView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    pointerInPreviewArea_ = false;
    if (!panel_) return;
    const bool pinned = panel_->pinSession->pinned;
    if (!pinned) panel_->hoverPreview->pointerLeftPicture();
    if (!pinned && !TopBarView::menuOpen) showChrome(false);
}

bool PanelContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && move->buttons() == Qt::NoButton)
            trackPreviewArea(widget->mapTo(this, move->position()));
    }
    return QWidget::eventFilter(watched, event);
}

void PanelContentView::trackPreviewArea(QPointF point)
{
    const bool inside = previewArea().contains(point);
    if (inside == pointerInPreviewArea_) return;
    pointerInPreviewArea_ = inside;
    if (!panel_) return;
    if (!inside) {
        if (!panel_->pinSession->pinned) panel_->hoverPreview->pointerLeftPicture();
    } else if (!grip_->geometry().contains(point.toPoint())) {
        panel_->hoverPreview->schedulePreviewShow();
    }
}

}  // namespace views
