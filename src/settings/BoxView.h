#pragma once

#include <QColor>
#include <QWidget>

// A plain view filled with one colour, with optional rounded corners and border: card
// panels, icon squares, separators, the group box.
class BoxView : public QWidget {
    Q_OBJECT

public:
    explicit BoxView(QColor fill, double cornerRadius = 0, QWidget* parent = nullptr);

    void setBorder(const QColor& color, double width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    double cornerRadius_;
    QColor borderColor_;
    double borderWidth_ = 0;
};
