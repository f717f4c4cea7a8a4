#pragma once

#include "shellcore/HoverTriggerTheme.h"

#include <QWidget>

// The Theme tab's swatch: the trigger block's gradient and glyph in the chosen theme.
// Whoever changes `theme` calls update() to redraw it.
class TriggerThemePreviewView : public QWidget {
    Q_OBJECT

public:
    using QWidget::QWidget;

    app::HoverTriggerTheme theme = app::HoverTriggerTheme::gradient;

protected:
    void paintEvent(QPaintEvent* event) override;
};
