#pragma once

#include "platform/desktop/Types.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <functional>
#include <string>

class MirrorView;
class QLabel;

namespace views {

class FrozenBanner;

// The hover preview's content: the enlarged picture sharing the mini window's frames,
// the frozen banner and a hint. Top-left origin, as Qt lays out children. Main
// thread only.
class PreviewContentView : public QWidget {
public:
    static constexpr double cornerRadius = 10;
    static constexpr double hintWidth = 260;
    static constexpr double hintHeight = 30;

    explicit PreviewContentView(const QRectF& frame, QWidget* parent = nullptr);

    MirrorView* const mirrorView;
    FrozenBanner* const frozenBanner;
    QLabel* const hintLabel;

    // Gives the picture the view's bounds; logs only when that changed something.
    void syncMirrorFrame();
    // Fades the frozen banner in or out.
    void setFrozen(bool frozen);
    // A hint in the middle of the preview, until the next show hides it.
    void showHint(const std::string& text);

    // A left press at a view point, in the pinned preview's forwarding mode (the panel
    // takes the mouse only then). The pin installs it when it turns forwarding on;
    // without it a press does nothing.
    std::function<void(QPointF local, int clickCount)> onMouseDown;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void layoutSubviews();
    // The rim drawn once for the current size and pixel ratio.
    const QImage& rimImage(double pixelRatio);

    QImage rim_;
    QString hintText_;
};

}  // namespace views
