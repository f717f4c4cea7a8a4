#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"
#include "platform/ui/NativePicture.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

// Shows the latest captured frame of a stream: the content region of the frame, scaled
// as a whole picture to fit the view (or, for the dimmed backdrop, to fill it), with
// rounded corners. The frame is shared with the stream and every other view, never
// copied. A new frame with alpha is drawn scaled straight from its pixels; painted again
// (the chrome fading over it), it is scaled once to the view's device pixels and every
// further paint draws that picture 1:1. An opaque frame is always drawn from its picture,
// which takes its padding bytes for opaque, or from itself where the desktop read it at
// that size.
// Where the desktop can put pictures on the window itself, an opaque frame's picture (and
// the backdrop beside it) goes there instead while nothing Qt draws lies over the view: no
// repaint through Qt.
// Takes no mouse events: clicks reach the view beneath. Main thread only.
class MirrorView : public QWidget {
public:
    static constexpr double cornerRadius = 10;
    static constexpr double backdropOpacity = 0.35;

    // letterboxClear: the area outside the picture is transparent, else black.
    // fillsBounds: the dimmed backdrop, filled rather than fitted, under a fitted view of
    // the same frame, region and bounds: it draws only where that view's opaque picture
    // leaves uncovered. With a clear letterbox it is the bottom layer of its window and
    // clears its bounds first.
    MirrorView(bool letterboxClear, bool fillsBounds, QWidget* parent = nullptr);

    void display(desktop::PixelBufferRef buffer);
    // The first frames are logged once per launch, of whichever view shows them.
    static void restartFrameLog();
    // True once per launch: for the first frame a hover preview is handed.
    static bool claimFirstPreviewFrameLog();
    // The frame shown now; none before the first.
    const desktop::PixelBufferRef& contents() const { return frame_; }
    void clearContents();

    // The part of each frame shown: the unit square, top-left origin, y down.
    void setContentsRegion(const core::Rect& region);
    const core::Rect& contentsRegion() const { return region_; }

    bool letterboxClear() const { return letterboxClear_; }

    // Draws the view's picture with the painter, in the view's own coordinates.
    void paint(QPainter& painter) const;

    // Where a picture of the given size lands in bounds: centred, fitted or filled.
    static QRectF pictureRect(const QSizeF& picture, const QRectF& bounds, bool fill);

    // The size in device pixels a whole frame needs for this view to draw its shown part
    // 1:1: the view's device pixels over the content region. Empty while the view is
    // hidden, and for the backdrop, which shows only beside the picture.
    QSize shownFrameSize() const;
    // That size may have changed (a resize, a new region, a show or a hide).
    std::function<void()> onShownSizeChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A part of a frame drawn as it is: the frame's pixels in source, at pixels.
    struct AsIs {
        QRect source;
        QRect pixels;
    };

    // The frame's picture in device pixels, placed at origin: what a paint with the given
    // transform (view to device) draws, made once per frame, region, size and transform.
    // A frame already at the picture's size is drawn from itself (asIs), without image.
    struct Picture {
        QImage image;
        std::optional<AsIs> asIs;
        // The pixels the image holds anything in.
        QRegion covered;
        // An opaque frame's picture, in the picture's pixels (asIs or image).
        QRect shownPixels;
        QPoint origin;
        QTransform transform;
        QSize size;
        bool empty = true;
    };

    double contentsScale() const;
    // The frame's shown part, in its pixels.
    QRectF shownSource() const;
    // Draws the frame's shown part scaled, in the view's coordinates, under the rounded clip.
    void drawScaled(QPainter& painter) const;
    // The current frame's shown part (source, in frame pixels) when it needs no scaling
    // to land on the fitted device pixels: within a pixel of their size, which rounding
    // leaves, with every fourth byte opaque so it draws as it is.
    std::optional<AsIs> asIs(const QRectF& source, const QRect& fitted) const;
    // The rounded clip for the current size, made again only when the size changes.
    const QRegion& roundedClip() const;
    bool pictureFits(const QTransform& toDevice) const;
    const Picture& picture(const QTransform& toDevice) const;

    // ---- the desktop's own picture (MirrorViewPresent.cpp) ----
    // Shows the current frame again: through the desktop's picture if it can, else a repaint.
    void refresh();
    // Whether the desktop's picture shows the current frame (or will, once the server has
    // taken the last one).
    bool presentDirectly();
    // area: what the desktop's picture covers now, in the window's device pixels.
    bool nowPresenting(const QRegion& area);
    void stopPresenting();
    // A widget stacked over the view draws on it now (chrome, a banner, a hint), or the
    // view itself is faded.
    bool overlaid() const;
    // The widgets stacked over the view tell it when they show or paint.
    void watchOverlays();
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<ui::NativePicture> native_;
    bool nativeAsked_ = false;
    bool presenting_ = false;
    bool presentPending_ = false;
    QRegion presentedArea_;

    const bool letterboxClear_;
    const bool fillsBounds_;

    core::Rect region_{0, 0, 1, 1};
    desktop::PixelBufferRef frame_;
    mutable QRegion clip_;
    mutable QSize clipSize_;
    // Made at the first paint after the frame, region, size or device changed; for a frame
    // with alpha, at the second.
    mutable Picture picture_;
    mutable bool pictureCurrent_ = false;
    // The current frame with alpha was drawn straight once: a new frame costs one scaled
    // draw, and its picture is made only when the same frame is painted again.
    mutable bool drawnStraight_ = false;
};
