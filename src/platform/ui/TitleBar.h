#pragma once

#include "platform/core/Geometry.h"

#include <QWidget>

#include <optional>

namespace ui {

class Window;

// Whether a real window system frames, stacks and composites the windows. The headless
// platform under the simulated desktop does none of it.
bool hasWindowSystem();

// The height of a titled window's bar: the window system's top frame margin where it
// draws the bar (28 until a titled window has been framed), else the project's own 28.
double titleBarHeight();
// Remembers the window system's top frame margin, seen on a framed titled window.
void noteWindowSystemTitleBarHeight(double height);

// The bar the project draws at the top of a titled window where no window system does:
// the title centred, a close button at the left that closes the window as the user
// does, and dragging anywhere else on it moves the window.
class TitleBar : public QWidget {
    Q_OBJECT

public:
    explicit TitleBar(Window& window);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Window& window_;
    // Where a drag began: the pointer (Qt global) and the window's origin then.
    std::optional<QPointF> dragStart_;
    core::Point originAtDragStart_;
};

}  // namespace ui
