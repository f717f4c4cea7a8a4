#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <string>

class QLabel;

// One row of a settings card, described before the views are made.
struct SettingsRow {
    std::string icon;  // symbol name
    QColor tint;
    std::string title;     // already translated
    std::string subtitle;  // already translated; may be empty
    QWidget* control = nullptr;
    double controlWidth = 0;
    int subtitleLines = 3;
};

// The view of one row; callers keep it to change its texts later.
class SettingsRowView : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    QPointer<QLabel> titleLabel;
    QPointer<QLabel> subtitleLabel;
};
