#pragma once

#include <QWidget>

namespace views {

// The corner grip of a mini window: a press starts the aspect-locked edge resize of the
// content view it sits in. Faded out (alpha below 0.5) it lets clicks through.
class GripView : public QWidget {
public:
    enum class Corner { bottomRight = 0, bottomLeft = 1, topLeft = 2, topRight = 3 };

    explicit GripView(QWidget* parent = nullptr);

    Corner corner = Corner::bottomRight;

    // The resize edges (top 1, bottom 2, left 4, right 8) of the corner.
    unsigned edges() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace views
