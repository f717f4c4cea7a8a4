#pragma once

#include <QLabel>

// A label whose text wraps like the measured texts of the window and stops at a number
// of lines, its last visible line truncated with an ellipsis.
class WrappingLabel : public QLabel {
    Q_OBJECT

public:
    WrappingLabel(const QString& text, int maxLines, QWidget* parent = nullptr);

    int maxLines() const { return maxLines_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int maxLines_;
};
