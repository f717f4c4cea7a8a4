#pragma once

#include <QString>

class QWidget;

namespace ui {

// The text a widget shows as plain text: a label's (its markup removed), a button's, a
// pop-up's current item; empty for the others.
QString shownText(const QWidget& widget);

// Whether the widget's text needs more room than the widget gives it in its font: wider
// than its text area on one line, or, word-wrapped, more lines than fit in its height
// (so a last line cut at a line limit counts) or a word wider than a line.
bool textClipped(const QWidget& widget);

}  // namespace ui
