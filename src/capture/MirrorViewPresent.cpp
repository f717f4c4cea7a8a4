#include "capture/MirrorView.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>

namespace {

// Whether the widget's effect lets what is beneath it show through.
bool seeThrough(const QWidget& widget)
{
    const QGraphicsEffect* effect = widget.graphicsEffect();
    if (!effect || !effect->isEnabled()) return false;
    const auto* opacity = qobject_cast<const QGraphicsOpacityEffect*>(effect);
    return !opacity || opacity->opacity() < 1;
}

// Whether the widget draws anything now: shown and not faded out entirely.
bool drawsNow(const QWidget& widget)
{
    if (!widget.isVisible()) return false;
    const auto* opacity = qobject_cast<const QGraphicsOpacityEffect*>(widget.graphicsEffect());
    return !opacity || !opacity->isEnabled() || opacity->opacity() > 0;
}

// The widgets stacked over the widget or over one of its ancestors, within its window.
template <class Visit>
void forEachAbove(const QWidget& widget, Visit visit)
{
    const QWidget* top = widget.window();
    for (const QWidget* below = &widget; below != top && below->parentWidget(); below = below->parentWidget()) {
        const QObjectList& siblings = below->parentWidget()->children();
        for (auto at = siblings.indexOf(below) + 1; at < siblings.size(); ++at) {
            auto* sibling = qobject_cast<QWidget*>(siblings[at]);
            if (sibling && !sibling->isWindow()) visit(*sibling);
        }
    }
}

}  // namespace

void MirrorView::refresh()
{
    if (!presentDirectly()) update();
}

bool MirrorView::presentDirectly()
{
    if (!nativeAsked_) {
        nativeAsked_ = true;
        native_ = ui::makeNativePicture(*this, fillsBounds_ ? ui::PictureLayer::bottom : ui::PictureLayer::top);
    }
    if (!native_) return false;
    if (!frame_ || !frame_->opaque || frame_->width < 1 || frame_->height < 1 || !isVisible() || overlaid()) {
        stopPresenting();
        return false;
    }
    const QPoint offset = mapTo(window(), QPoint(0, 0));
    const double scale = contentsScale();
    const QTransform toDevice = QTransform::fromScale(scale, scale).translate(offset.x(), offset.y());
    const Picture& shown = picture(toDevice);
    // In the window's device pixels, under the rounded clip: the picture, or the backdrop
    // beside it.
    const QRegion area = (fillsBounds_ ? shown.covered : QRegion(shown.shownPixels)).translated(shown.origin) &
                         toDevice.map(roundedClip());
    if (area.isEmpty()) {
        if (!fillsBounds_) {
            stopPresenting();
            return false;
        }
        // The picture covers the whole backdrop: nothing of it shows.
        native_->hide();
        return nowPresenting(area);
    }
    const QRect target = area.boundingRect();
    const QPoint at = target.topLeft() - shown.origin;
    const ui::ShownPixels pixels =
        shown.asIs
            ? ui::ShownPixels{frame_->data(), frame_->bytesPerRow,
                              QRect(shown.asIs->source.topLeft() + at - shown.asIs->pixels.topLeft(), target.size()),
                              frame_->fourthByteOpaque, frame_->storage}
            : ui::ShownPixels{shown.image.constBits(), static_cast<int>(shown.image.bytesPerLine()),
                              QRect(at, target.size()), true, nullptr};
    switch (native_->show(pixels, target, area.translated(-target.topLeft()))) {
    case ui::NativePicture::Shown::now: return nowPresenting(area);
    case ui::NativePicture::Shown::later:
        // The last picture would stay in its old shape, over or short of the bands of
        // this frame: Qt paints it instead.
        if (area != presentedArea_) break;
        presentPending_ = true;
        return true;
    case ui::NativePicture::Shown::unavailable: break;
    }
    stopPresenting();
    return false;
}

bool MirrorView::nowPresenting(const QRegion& area)
{
    if (!presenting_)
        watchOverlays();
    // Where a picture's shape no longer reaches, the window shows what Qt last painted
    // there, an older frame: Qt paints this one under the pictures.
    else if (area != presentedArea_)
        update();
    presenting_ = true;
    presentedArea_ = area;
    presentPending_ = false;
    return true;
}

void MirrorView::stopPresenting()
{
    presentPending_ = false;
    if (!presenting_) return;
    presenting_ = false;
    native_->hide();
    // What Qt holds for the view was not painted while the picture covered it.
    update();
}

bool MirrorView::overlaid() const
{
    for (const QWidget* widget = this; widget && !widget->isWindow(); widget = widget->parentWidget())
        if (seeThrough(*widget)) return true;
    const QWidget* top = window();
    const QRect area(mapTo(top, QPoint(0, 0)), size());
    bool drawnOver = false;
    forEachAbove(*this, [&](const QWidget& sibling) {
        // A picture the desktop shows over this one hides nothing Qt draws here.
        const auto* view = dynamic_cast<const MirrorView*>(&sibling);
        if (view && view->presenting_) return;
        if (!drawnOver && drawsNow(sibling))
            drawnOver = QRect(sibling.mapTo(top, QPoint(0, 0)), sibling.size()).intersects(area);
    });
    return drawnOver;
}

void MirrorView::watchOverlays()
{
    forEachAbove(*this, [this](QWidget& sibling) { sibling.installEventFilter(this); });
}

bool MirrorView::eventFilter(QObject* watched, QEvent* event)
{
    // Chrome fading in paints first at its first step above nothing.
    if (presenting_ && (event->type() == QEvent::Paint || event->type() == QEvent::Show) && overlaid())
        stopPresenting();
    return QWidget::eventFilter(watched, event);
}
