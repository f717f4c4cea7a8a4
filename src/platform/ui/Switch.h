#pragma once

#include <QAbstractButton>

namespace ui {

// An on/off switch, painted: a capsule with a knob. Clicking it flips it and emits
// clicked(); setChecked changes it without emitting clicked(). Its natural size is
// 40 x 26 points.
class Switch : public QAbstractButton {
    Q_OBJECT

public:
    explicit Switch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui
