#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QStringList>

namespace views {

// A text laid out for a box of a given width and at most a number of lines: wrapped
// between words (or inside a word longer than a line) at the font's size; where that
// takes too many lines, at smaller sizes down to a floor; where even the floor does not
// do, its last line ends in an ellipsis.
struct FittedText {
    QFont font;
    QStringList lines;
    QSizeF size;  // the widest line by the lines' height
    // Laid out as a word-wrapped label of that width would show it, whole and unshrunk.
    bool plain = true;
};

FittedText fitText(const QString& text, const QFont& font, double width, int maxLines, int minPixelSize);

}  // namespace views
