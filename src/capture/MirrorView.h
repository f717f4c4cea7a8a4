#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Types.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <QWidget>

// Shows the latest captured frame of a stream: the content region of the frame, scaled
// as a whole picture to fit the view (or, for the dimmed backdrop, to fill it), with
// rounded corners. The frame is shared with the stream and every other view, never
// copied; each new frame is scaled once to the view's device pixels and every paint
// draws that picture 1:1. Takes no mouse events: clicks reach the view beneath. Main
// thread only.
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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The frame's picture in device pixels, placed at origin: what a paint with the given
    // transform (view to device) draws, made once per frame, region, size and transform.
    struct Picture {
        QImage image;
        QPoint origin;
        QTransform transform;
        QSize size;
        bool empty = true;
    };

    double contentsScale() const;
    // The rounded clip for the current size, made again only when the size changes.
    const QRegion& roundedClip() const;
    const Picture& picture(const QTransform& toDevice) const;

    const bool letterboxClear_;
    const bool fillsBounds_;

    core::Rect region_{0, 0, 1, 1};
    desktop::PixelBufferRef frame_;
    mutable QRegion clip_;
    mutable QSize clipSize_;
    // Made at the first paint after the frame, region, size or device changed.
    mutable Picture picture_;
    mutable bool pictureCurrent_ = false;
};
