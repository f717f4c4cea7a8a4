#pragma once

#include "platform/core/Geometry.h"
#include "platform/ui/Screen.h"

#include <QPixmap>
#include <QWidget>

class QPainter;

#include <optional>
#include <string>

namespace selector {

// Paints one overlay from the state the selector pushes into it: the dimming with the
// window cut out, the dashed window border, the selection with its size, the hint and
// the error. Rectangles are in screen coordinates.
class SelectorView : public QWidget {
public:
    explicit SelectorView(const ui::Screen& screen, QWidget* parent = nullptr);

    std::optional<ui::Screen> hostScreen;
    core::Rect selection;
    std::optional<core::Rect> windowFrame;
    bool showHint = false;
    std::string hintText;
    std::optional<std::string> errorText;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // A point near the top centre of the host screen, belowTop points down from its top.
    core::Point topAnchor(double belowTop) const;
    void drawLabel(QPainter& painter, const QString& text, core::Point anchor, const QColor& color) const;
    // A screen rectangle in this view's Qt coordinates (origin top left).
    QRectF toView(const core::Rect& screenRect) const;

    // Where nothing shows through the overlay (X11 without a compositing manager), the
    // screen as it was before the overlay came up stands in for what lies beneath it;
    // null elsewhere.
    QPixmap beneath_;
};

}  // namespace selector
