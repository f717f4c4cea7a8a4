#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

#include <string>

class QPainter;

namespace ui {

// The project's own drawings of the symbols the views name ("gearshape", "keyboard",
// "eye.slash" ...), drawn in one colour into a square. An unknown name draws a rounded
// square outline.
void drawSymbol(QPainter& painter, const std::string& name, const QRectF& box, const QColor& color);

// A view that shows one symbol, tinted, filling its bounds.
class SymbolView : public QWidget {
    Q_OBJECT

public:
    SymbolView(std::string symbol, QColor tint, QWidget* parent = nullptr);

    void setTint(const QColor& tint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string symbol_;
    QColor tint_;
};

}  // namespace ui
