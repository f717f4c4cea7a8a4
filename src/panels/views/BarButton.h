#pragma once

#include <QAbstractButton>

namespace views {

// A button of the top bar: a glyph (drawn as a path), or a badge with a title and an
// optional leading glyph on a light rounded background.
class BarButton : public QAbstractButton {
public:
    enum class Glyph { none, closeCircle, openOriginal, opacity, size };

    BarButton(Glyph glyph, bool badge, QWidget* parent);

    // Title plus leading glyph, without padding.
    double naturalWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Glyph glyph_;
    const bool badge_;
};

}  // namespace views
