#include "capture/MirrorView.h"

#include "capture/NumberText.h"
#include "foundation/Diag.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include <atomic>

namespace {

// Diagnostics for the first frames of the process, shared by every view.
std::atomic<int> framesLogged{0};
std::atomic<bool> firstFrameLogged{false};
std::atomic<bool> firstPreviewFrameLogged{false};

}  // namespace

MirrorView::MirrorView(bool letterboxClear, bool fillsBounds, QWidget* parent)
    : QWidget(parent), letterboxClear_(letterboxClear), fillsBounds_(fillsBounds)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

double MirrorView::contentsScale() const
{
    const QWidget* top = window();
    return top && top->windowHandle() ? top->windowHandle()->devicePixelRatio() : 2.0;
}

void MirrorView::restartFrameLog()
{
    framesLogged = 0;
    firstFrameLogged = false;
    firstPreviewFrameLogged = false;
}

bool MirrorView::claimFirstPreviewFrameLog()
{
    return !firstPreviewFrameLogged.exchange(true);
}

void MirrorView::display(desktop::PixelBufferRef buffer)
{
    if (!buffer) return;
    if (framesLogged.fetch_add(1) <= 5) {
        Diag::log("display: buffer=" + std::to_string(buffer->width) + "x" + std::to_string(buffer->height) +
                  " view=" + capture::wholeSizeText(width(), height()) + " frame.org=" + core::pointText({1.0 * x(), 1.0 * y()}) +
                  " layer.pos=" + core::pointText({1.0 * x(), 1.0 * y()}) +
                  " layer.bounds.size=" + core::sizeText({1.0 * width(), 1.0 * height()}) +
                  " scale=" + core::numberText(contentsScale()));
    }
    if (!firstFrameLogged.exchange(true)) Diag::log("渲染首帧: IOSurface 对象已直设 contents（桥接修正版）");
    // A still source's frames share one buffer: the picture shown is already this one.
    if (buffer == frame_) return;
    frame_ = std::move(buffer);
    update();
}

void MirrorView::clearContents()
{
    frame_.reset();
    update();
}

void MirrorView::setContentsRegion(const core::Rect& region)
{
    Diag::log("mirror contentsRect → (" + capture::twoDecimalsText(region.x()) + ", " + capture::twoDecimalsText(region.y()) + ", " +
              capture::twoDecimalsText(region.width()) + ", " + capture::twoDecimalsText(region.height()) +
              ") view=" + capture::wholeSizeText(width(), height()));
    region_ = region;
    update();
}

QRectF MirrorView::pictureRect(const QSizeF& picture, const QRectF& bounds, bool fill)
{
    if (picture.isEmpty() || bounds.isEmpty()) return {};
    const QSizeF scaled = picture.scaled(bounds.size(), fill ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio);
    return QRectF(bounds.center().x() - scaled.width() / 2, bounds.center().y() - scaled.height() / 2, scaled.width(),
                  scaled.height());
}

void MirrorView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paint(painter);
}

void MirrorView::paint(QPainter& painter) const
{
    const QRectF bounds = rect();
    if (fillsBounds_ && letterboxClear_) {
        // The backdrop is the bottom layer: it wipes what earlier paints left, which a
        // window without alpha (on a 16-bit screen) keeps, so a hint never shows through
        // the next one.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(bounds, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (fillsBounds_) painter.setOpacity(backdropOpacity);
    if (!letterboxClear_) {
        QPainterPath rounded;
        rounded.addRoundedRect(bounds, cornerRadius, cornerRadius);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(rounded, Qt::black);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    if (!frame_ || frame_->width < 1 || frame_->height < 1) return;

    // The shared pixels, wrapped rather than copied; the wrapper dies with this paint.
    const QImage image(frame_->data(), frame_->width, frame_->height, frame_->bytesPerRow,
                       QImage::Format_ARGB32_Premultiplied);
    const QRectF source(region_.x() * image.width(), region_.y() * image.height(), region_.width() * image.width(),
                        region_.height() * image.height());
    const QRectF target = pictureRect(source.size(), bounds, fillsBounds_);
    if (target.isEmpty()) return;

    // One scaled draw under the rounded clip, as a region of rectangles: a path clip would
    // be rasterised again on every paint.
    painter.setClipRegion(roundedClip());
    painter.drawImage(target, image, source);
}

const QRegion& MirrorView::roundedClip() const
{
    if (clipSize_ == size()) return clip_;
    QPainterPath rounded;
    rounded.addRoundedRect(rect(), cornerRadius, cornerRadius);
    clip_ = QRegion(rounded.toFillPolygon().toPolygon());
    clipSize_ = size();
    return clip_;
}
