#include "capture/MirrorView.h"

#include "capture/NumberText.h"
#include "foundation/Diag.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include <atomic>
#include <cstdlib>
#include <functional>

namespace {

// Diagnostics for the first frames of the process, shared by every view.
std::atomic<int> framesLogged{0};
std::atomic<bool> firstFrameLogged{false};
std::atomic<bool> firstPreviewFrameLogged{false};

// The frame's pixels as an image to draw from, wrapped rather than copied.
QImage wrapped(const desktop::PixelBuffer& frame)
{
    return QImage(frame.data(), frame.width, frame.height, frame.bytesPerRow,
                  frame.opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
}

// The device pixels a rectangle covers once its edges are rounded to them.
QRect devicePixels(const QRectF& rect, const QTransform& toDevice)
{
    const QRectF mapped = toDevice.mapRect(rect);
    return QRect(QPoint(qRound(mapped.left()), qRound(mapped.top())),
                 QPoint(qRound(mapped.right()) - 1, qRound(mapped.bottom()) - 1));
}

// The part of source that drawing it into pixels puts into piece.
QRectF sourceOf(const QRect& piece, const QRect& pixels, const QRectF& source)
{
    const double across = source.width() / pixels.width(), down = source.height() / pixels.height();
    return QRectF(source.x() + (piece.x() - pixels.x()) * across, source.y() + (piece.y() - pixels.y()) * down,
                  piece.width() * across, piece.height() * down);
}

// Qt draws the fourth byte of an RGB32 pixel as alpha all the same: an opaque frame's
// padding is made opaque here, in the picture at the view's size rather than the frame.
void makeOpaque(QImage& image, const QRegion& drawn)
{
    for (const QRect& rect : drawn) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = rect.left(); x <= rect.right(); ++x) pixels[x] |= 0xFF000000u;
        }
    }
}

// Qt stretches an image under a scaling transform about twice as fast as under none or a
// move, to the same pixels: the target is given in halves under a doubling, both exact.
void drawStretched(QPainter& painter, const QRectF& target, const QImage& image, const QRectF& source)
{
    const QTransform world = painter.worldTransform();
    painter.scale(2, 2);
    painter.drawImage(QRectF(target.x() / 2, target.y() / 2, target.width() / 2, target.height() / 2), image, source);
    painter.setWorldTransform(world);
}

// Draws an image 1:1 under a clip in device pixels, as its largest rectangle and the rest:
// under a rectangle Qt copies the image's rows, under a region it blends span by span.
void drawUnder(QPainter& painter, const QRegion& clip, const std::function<void()>& draw)
{
    QRect largest;
    for (const QRect& rect : clip)
        if (rect.width() * rect.height() > largest.width() * largest.height()) largest = rect;
    if (largest.isEmpty()) return;
    const QTransform world = painter.worldTransform();
    const QTransform inDevicePixels = painter.deviceTransform().inverted() * world;
    painter.setWorldTransform(inDevicePixels);
    painter.setClipRect(largest);
    painter.setWorldTransform(world);
    draw();
    const QRegion rest = clip.subtracted(largest);
    if (rest.isEmpty()) return;
    painter.setWorldTransform(inDevicePixels);
    painter.setClipRegion(rest);
    painter.setWorldTransform(world);
    draw();
}

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

bool MirrorView::claimFirstPreviewFrameLog() { return !firstPreviewFrameLogged.exchange(true); }

void MirrorView::display(desktop::PixelBufferRef buffer)
{
    if (!buffer) return;
    if (framesLogged.fetch_add(1) <= 5) {
        Diag::log("display: buffer=" + std::to_string(buffer->width) + "x" + std::to_string(buffer->height) + " view=" +
                  capture::wholeSizeText(width(), height()) + " frame.org=" + core::pointText({1.0 * x(), 1.0 * y()}) +
                  " layer.pos=" + core::pointText({1.0 * x(), 1.0 * y()}) + " layer.bounds.size=" +
                  core::sizeText({1.0 * width(), 1.0 * height()}) + " scale=" + core::numberText(contentsScale()));
    }
    if (!firstFrameLogged.exchange(true)) Diag::log("渲染首帧: IOSurface 对象已直设 contents（桥接修正版）");
    // A still source's frames share one buffer: the picture shown is already this one,
    // unless the desktop's picture could not take it then.
    if (buffer == frame_) {
        if (!presenting_ || presentPending_) presentDirectly();
        return;
    }
    frame_ = std::move(buffer);
    pictureCurrent_ = drawnStraight_ = false;
    refresh();
}

void MirrorView::clearContents()
{
    stopPresenting();
    frame_.reset();
    pictureCurrent_ = drawnStraight_ = false;
    update();
}

void MirrorView::setContentsRegion(const core::Rect& region)
{
    Diag::log("mirror contentsRect → (" + capture::twoDecimalsText(region.x()) + ", " +
              capture::twoDecimalsText(region.y()) + ", " + capture::twoDecimalsText(region.width()) + ", " +
              capture::twoDecimalsText(region.height()) + ") view=" + capture::wholeSizeText(width(), height()));
    region_ = region;
    pictureCurrent_ = drawnStraight_ = false;
    refresh();
    if (onShownSizeChange) onShownSizeChange();
}

QSize MirrorView::shownFrameSize() const
{
    if (fillsBounds_ || !isVisible() || region_.width() <= 0 || region_.height() <= 0) return {};
    const double scale = contentsScale();
    return QSize(qRound(width() * scale / region_.width()), qRound(height() * scale / region_.height()));
}

void MirrorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (presenting_) refresh();
    if (onShownSizeChange) onShownSizeChange();
}

void MirrorView::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (presenting_) refresh();
}

void MirrorView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (frame_) presentDirectly();
    if (onShownSizeChange) onShownSizeChange();
}

void MirrorView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    stopPresenting();
    if (onShownSizeChange) onShownSizeChange();
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
    // The painter goes back as it came: the next view it paints sets its own opacity.
    struct Restored {
        QPainter& painter;
        ~Restored() { painter.restore(); }
    } restored{painter};
    painter.save();
    const QRectF bounds = rect();
    if (fillsBounds_ && letterboxClear_) {
        // The backdrop is the bottom layer: it wipes what earlier paints left, which a
        // window without alpha (on a 16-bit screen) keeps, so a hint never shows through
        // the next one.
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(bounds, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (fillsBounds_) painter.setOpacity(backdropOpacity);
    if (!letterboxClear_) {
        QPainterPath rounded;
        rounded.addRoundedRect(bounds, cornerRadius, cornerRadius);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(rounded, Qt::black);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    if (!frame_ || frame_->width < 1 || frame_->height < 1) return;
    // An opaque frame's padding bytes are made opaque in its picture only.
    if (!frame_->opaque && !drawnStraight_ && !pictureFits(painter.deviceTransform())) {
        drawnStraight_ = true;
        drawScaled(painter);
        return;
    }
    const Picture& shown = picture(painter.deviceTransform());
    if (shown.empty) return;

    // One 1:1 draw under the rounded clip, as a region of rectangles: a path clip would
    // be rasterised again on every paint.
    QRegion clip = painter.deviceTransform().map(roundedClip());
    const QTransform beyondWorld = painter.worldTransform().inverted() * painter.deviceTransform();
    painter.setWorldTransform(QTransform::fromTranslate(shown.origin.x(), shown.origin.y()) * beyondWorld.inverted());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (shown.asIs) {
        const QImage image = wrapped(*frame_);
        drawUnder(painter, clip, [&] { painter.drawImage(shown.asIs->pixels.topLeft(), image, shown.asIs->source); });
        return;
    }
    // The backdrop's picture holds its dimming, and only beside the picture: the rest of
    // it is not blended at all.
    if (fillsBounds_) {
        painter.setOpacity(1);
        clip &= shown.covered.translated(shown.origin);
    }
    drawUnder(painter, clip, [&] { painter.drawImage(QPointF(0, 0), shown.image); });
}

std::optional<MirrorView::AsIs> MirrorView::asIs(const QRectF& source, const QRect& fitted) const
{
    if (!frame_->fourthByteOpaque) return std::nullopt;
    const QRect pixels = QRect(qRound(source.x()), qRound(source.y()), qRound(source.width()), qRound(source.height()))
                             .intersected(QRect(0, 0, frame_->width, frame_->height));
    if (pixels.isEmpty() || std::abs(pixels.width() - fitted.width()) > 1 ||
        std::abs(pixels.height() - fitted.height()) > 1)
        return std::nullopt;
    return AsIs{pixels, QRect(fitted.topLeft(), pixels.size())};
}

QRectF MirrorView::shownSource() const
{
    return QRectF(region_.x() * frame_->width, region_.y() * frame_->height, region_.width() * frame_->width,
                  region_.height() * frame_->height);
}

void MirrorView::drawScaled(QPainter& painter) const
{
    const QRectF source = shownSource();
    const QRectF target = pictureRect(source.size(), rect(), fillsBounds_);
    if (target.isEmpty()) return;
    painter.setClipRegion(roundedClip());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawStretched(painter, target, wrapped(*frame_), source);
}

bool MirrorView::pictureFits(const QTransform& toDevice) const
{
    return pictureCurrent_ && picture_.transform == toDevice && picture_.size == size();
}

const MirrorView::Picture& MirrorView::picture(const QTransform& toDevice) const
{
    if (pictureFits(toDevice)) return picture_;
    pictureCurrent_ = true;
    Picture made;
    made.transform = toDevice;
    made.size = size();
    // The last picture's memory serves again at the same size.
    made.image = std::move(picture_.image);
    const QRect device = toDevice.mapRect(QRectF(rect())).toAlignedRect();
    made.origin = device.topLeft();
    const QTransform toPicture = toDevice * QTransform::fromTranslate(-made.origin.x(), -made.origin.y());

    const QRectF source = shownSource();
    const QRectF target = pictureRect(source.size(), rect(), fillsBounds_);
    QRect fitted = devicePixels(pictureRect(source.size(), rect(), false), toPicture);
    const auto same = asIs(source, fitted);
    if (same) fitted = same->pixels;
    if (same && !fillsBounds_) {
        made.asIs = same;
        made.shownPixels = same->pixels;
        made.empty = false;
        picture_ = std::move(made);
        return picture_;
    }
    const QRegion whole(0, 0, device.width(), device.height());
    QRegion drawn = whole;
    // The backdrop shows only where the fitted picture over it leaves uncovered.
    if (fillsBounds_ && frame_->opaque) drawn -= fitted;
    made.covered = drawn;
    if (!target.isEmpty() && !drawn.isEmpty()) {
        if (made.image.size() != device.size()) made.image = QImage(device.size(), QImage::Format_ARGB32_Premultiplied);
        if (drawn == whole) made.image.fill(Qt::transparent);
        QPainter painter(&made.image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (drawn != whole) {
            // Only the backdrop's bars are ever shown: clearing the whole picture for a
            // sliver beside the frame cost more than the sliver.
            painter.setClipRegion(drawn);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(made.image.rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        if (frame_->opaque) {
            const QImage image = wrapped(*frame_);
            // On whole device pixels, so that exactly the pixels drawn are made opaque.
            const QRect pixels = devicePixels(target, toPicture);
            made.shownPixels = pixels.intersected(QRect(QPoint(0, 0), device.size()));
            // Piece by piece where only the backdrop's bars show: each piece scales only
            // what it shows, not the whole frame.
            if (drawn == whole)
                drawStretched(painter, QRectF(pixels), image, source);
            else
                for (const QRect& piece : drawn & pixels) painter.drawImage(piece, image, sourceOf(piece, pixels, source));
            makeOpaque(made.image, drawn & pixels);
            if (fillsBounds_) {
                painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
                painter.fillRect(pixels, QColor::fromRgbF(0, 0, 0, backdropOpacity));
            }
        } else {
            // Drawn as straight onto the window, under the rounded clip too: the rows are
            // sampled in the same spans, so the pixels come out the same.
            if (fillsBounds_) painter.setOpacity(backdropOpacity);
            painter.setTransform(toPicture);
            drawScaled(painter);
        }
        made.empty = false;
    }
    picture_ = std::move(made);
    return picture_;
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
