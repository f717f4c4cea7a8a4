#include "panels/PanelContentView.h"

#include "capture/MirrorView.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "foundation/EventBridge.h"
#include "panels/FixedPreviewTopStrip.h"
#include "panels/FrozenBanner.h"
#include "panels/GripView.h"
#include "panels/PanelFonts.h"
#include "panels/PanelGeometry.h"
#include "panels/PipPanel.h"
#include "panels/PressClassification.h"
#include "panels/PreviewContentView.h"
#include "panels/PreviewPanel.h"
#include "panels/TopBarView.h"
#include "panels/ViewAlpha.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>

#include <cmath>

using namespace panels;

namespace {

std::string flag(bool value) { return value ? "true" : "false"; }

core::Point screenPointOf(const QMouseEvent& event) { return ui::screenPoint(event.globalPosition()); }

}  // namespace

PanelContentView::PanelContentView(const core::Rect& frame, QWidget* parent)
    : QWidget(parent),
      fillView(new MirrorView(true, true, this)),
      mirrorView(new MirrorView(true, false, this)),
      topBar(new TopBarView(this)),
      grip(new GripView(this)),
      frozenBanner(new FrozenBanner(this)),
      statusLabel(new QLabel(this))
{
    setGeometry(ui::roundedRect({0, 0, frame.width(), frame.height()}));
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
    // Moves over the chrome stop there, yet they leave the picture's inner area; Qt drops
    // them before any filter unless the widget tracks the mouse.
    for (QWidget* chrome : {static_cast<QWidget*>(topBar), static_cast<QWidget*>(grip)}) {
        auto widgets = chrome->findChildren<QWidget*>();
        widgets.push_back(chrome);
        for (QWidget* widget : widgets) {
            widget->setMouseTracking(true);
            widget->installEventFilter(this);
        }
    }

    // Back to front: pictures, banner, status label, top bar, grip.
    frozenBanner->raise();
    statusLabel->raise();
    topBar->raise();
    grip->raise();

    installAlpha(*fillView, 1, false);
    installAlpha(*mirrorView, 1, false);
    installAlpha(*topBar, 0, true);
    installAlpha(*grip, 0, true);
    installAlpha(*frozenBanner, 0, false);
    installAlpha(*statusLabel, 0, false);

    statusLabel->setFont(panels::systemFont(12, QFont::Medium));
    statusLabel->setStyleSheet("color: rgba(255, 255, 255, 242); background: rgba(0, 0, 0, 153); border-radius: 6px;");
    statusLabel->setAlignment(Qt::AlignCenter);
    statusLabel->setWordWrap(true);
    statusLabel->setAttribute(Qt::WA_TransparentForMouseEvents);

    mirrorView->onShownSizeChange = [this] { reportShownSize(); };
    layoutSubviews();
    installTopBarCallbacks();
}

PanelContentView::~PanelContentView()
{
    // The views go after this body: what they hear of it then is no longer ours.
    mirrorView->onShownSizeChange = {};
    if (previewPanel) previewPanel->content->mirrorView->onShownSizeChange = {};
    previewShowTimer.cancel();
    chromeTimer.cancel();
    cancelPendingSingleClickActions();
    // A view deleted while pinned leaves no monitor or tap behind.
    removePinMonitors();
    FixedPreviewTopStrip::uninstall(topStripInstallation_);
    if (resize_) QApplication::restoreOverrideCursor();
}

void PanelContentView::installTopBarCallbacks()
{
    // Menu rows act after their menu closed: by then the panel may be closed.
    const auto onPanel = [self = QPointer<PanelContentView>(this)](auto action) {
        return [self, action](auto... args) {
            if (!self || !self->panel || !PipPanel::isRegistered(self->panel)) return;
            action(*self->panel, args...);
        };
    };
    topBar->onClose = onPanel([](PipPanel& panel) { panel.closePanel(true); });
    topBar->onFrameRateChange = onPanel([](PipPanel& panel, int fps) { panel.applyFrameRateChoice(fps); });
    topBar->onOpacityChange = onPanel([](PipPanel& panel, double value) { panel.applyOpacityChoice(value); });
    topBar->onSizeChange = onPanel([](PipPanel& panel, double value) { panel.applySizeChoice(value); });
    topBar->onSetDefaultRate = onPanel([](PipPanel& panel) { panel.setRateValueAsDefault(); });
    topBar->onSetDefaultOpacity = onPanel([](PipPanel& panel) { panel.setOpacityValueAsDefault(); });
    topBar->onSetDefaultSize = onPanel([](PipPanel& panel) { panel.setSizeValueAsDefault(); });
    topBar->onOpenOriginal = onPanel([](PipPanel& panel) {
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
    fillView->setGeometry(rect());
    mirrorView->setGeometry(rect());
    topBar->setGeometry(ui::roundedRect({0, 0, w, barHeight}));
    grip->setGeometry(ui::roundedRect({w - 16, h - 16, 16, 16}));
    layoutStatusLabel();
    const double bannerWidth = FrozenBanner::textSize().width() + 24;
    frozenBanner->setGeometry(ui::roundedRect({(w - bannerWidth) / 2, h - 30, bannerWidth, 22}));
}

// ---- pin ----

void PanelContentView::cancelPendingSingleClickActions()
{
    pendingSingleClickWork.cancel();
    pendingSingleClickWork = {};
    pendingFocusHintWork.cancel();
    pendingFocusHintWork = {};
}

// ---- frames ----

void PanelContentView::apply(desktop::PixelBufferRef buffer)
{
    ++framesShown;
    if (hints_.visible() && viewAlpha(*statusLabel) > 0.5 && hints_.frameArrived(panel && panel->sourceClosing()))
        fadeOutStatusLabel(HintTracker::withdrawFadeDuration);
    fillView->display(buffer);
    if (previewVisible && previewPanel) {
        if (MirrorView::claimFirstPreviewFrameLog()) Diag::log("预览帧分发: 首次调用 p.display previewVisible=true");
        previewPanel->content->syncMirrorFrame();
        previewPanel->content->mirrorView->display(buffer);
    }
    mirrorView->display(std::move(buffer));
}

void PanelContentView::applyRegion()
{
    const core::Rect crop = focus.composedInto(baseContentRegion);
    fillView->setContentsRegion(crop);
    mirrorView->setContentsRegion(crop);
    if (previewPanel) previewPanel->content->mirrorView->setContentsRegion(crop);
}

void PanelContentView::reportShownSize()
{
    QSize largest = mirrorView->shownFrameSize();
    if (previewPanel) largest = largest.expandedTo(previewPanel->content->mirrorView->shownFrameSize());
    // A hidden panel keeps what it showed last.
    if (largest.isEmpty() || largest == reportedShownSize_ || !panel || !panel->mirror) return;
    reportedShownSize_ = largest;
    panel->mirror->setShownSize(largest.width(), largest.height());
}

void PanelContentView::applyFocusAtInit(const FocusRegion& region)
{
    if (focusLocked) return;
    focusLocked = true;
    focus = region;
    applyRegion();
    const core::Size panelSize = panel ? panel->frame().size : core::Size{1.0 * width(), 1.0 * height()};
    const core::Size sourceSize = panel ? panel->target.frame.size : core::Size{};
    Diag::log(focusLockLogLine(focus, panelSize, sourceSize));
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
    if (!panel || desktop::input().resizesBorderlessWindowsAtEdges()) return false;
    const unsigned edges = edgesAt(event.position());
    if (edges == 0) return false;
    panel->mouseDownHandled = true;
    startEdgeResize(edges, screenPointOf(event));
    return true;
}

void PanelContentView::mouseDown(QPointF local, int clickCount, core::Point screenPoint)
{
    QPointer<PipPanel> owner = panel;
    if (!owner) return;
    owner->mouseDownHandled = true;
    singleClickDownGlobal = screenPoint;

    const bool chrome = viewAlpha(*topBar) > 0.5;
    Diag::log("mouseDown: p=(" + capture::wholeText(local.x()) + "," + capture::wholeText(local.y()) + ") 全局=(" +
              capture::wholeText(screenPoint.x) + "," + capture::wholeText(screenPoint.y) +
              ") click=" + std::to_string(clickCount) + " chrome=" + flag(chrome) + " visible=" + flag(previewVisible) +
              " pinned=" + flag(pinned));

    const pin::PressDecision decision = pin::classifyPress({local.x(), local.y()}, clickCount, viewAlpha(*topBar), focus);
    switch (decision.kind) {
    case pin::PressKind::barDrag:
        Diag::log(decision.logLine);
        owner->performDrag(screenPoint);
        return;
    case pin::PressKind::barDouble:
        cancelPendingSingleClickActions();
        Diag::log(decision.logLine);
        EventBridge::focus(owner->target);
        return;
    default: picturePress(decision);
    }
}

void PanelContentView::mouseMoveEvent(QMouseEvent* event)
{
    const core::Point point = screenPointOf(*event);
    if (resize_) return continueEdgeResize(point);
    if (panel && panel->isDragging()) return panel->dragMoved(point);
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
    if (panel && panel->isDragging()) panel->endDrag();
}

// ---- edge resize ----

void PanelContentView::startEdgeResize(unsigned edges, core::Point screenPoint)
{
    if (!panel) return;
    Diag::log("startEdgeResize 进入: edges=" + std::to_string(edges) + "（原地松开=无拖动，此分支吞掉本次单击）");
    cancelPendingSingleClickActions();
    previewShowTimer.cancel();
    previewShowTimer = {};
    exitPinnedPreview(std::nullopt, std::nullopt, false);
    hidePreview();
    const core::Rect start = panel->frame();
    panel->preActionFrame = start;
    if (!resize_) QApplication::setOverrideCursor(cursor(edges));
    resize_ = EdgeResize{start, screenPoint, edges};
}

void PanelContentView::continueEdgeResize(core::Point screenPoint)
{
    if (!resize_ || !panel) return;
    panel->applyResize(resize_->startFrame,
                       {screenPoint.x - resize_->startPoint.x, screenPoint.y - resize_->startPoint.y}, resize_->edges);
}

void PanelContentView::finishEdgeResize()
{
    if (!resize_) return;
    resize_.reset();
    QApplication::restoreOverrideCursor();
    if (panel && !panel->enforceRealScreen("边缘缩放")) panel->snapToEdges();
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
    // The pointer comes from outside, so an entry into the inner area counts anew.
    pointerInPreviewArea_ = false;
    trackPreviewArea(event->position());
}

void PanelContentView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    pointerInPreviewArea_ = false;
    if (!pinned) hidePreview();
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
    if (!inside) {
        if (!pinned) hidePreview();
    } else if (!grip->geometry().contains(point.toPoint())) {
        schedulePreviewShow();
    }
}
