#include "panels/views/FittedText.h"

#include <QFontMetricsF>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace views {

namespace {

struct Wrapped {
    QStringList lines;
    QList<int> starts;
    double widest = 0;
};

Wrapped wrapped(const QString& text, const QFont& font, double width, QTextOption::WrapMode mode)
{
    QString laid = text;
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laid, font);
    QTextOption option;
    option.setWrapMode(mode);
    layout.setTextOption(option);
    Wrapped result;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        result.widest = std::max(result.widest, line.naturalTextWidth());
        result.starts << line.textStart();
        QString shown = laid.mid(line.textStart(), line.textLength());
        shown.remove(QChar::LineSeparator);
        result.lines << shown.trimmed();
    }
    layout.endLayout();
    return result;
}

}  // namespace

FittedText fitText(const QString& text, const QFont& font, double width, int maxLines, int minPixelSize)
{
    FittedText fitted{font, {}, {}, true};
    const Wrapped plain = wrapped(text, font, width, QTextOption::WordWrap);
    Wrapped laid = plain;
    if (plain.lines.size() > maxLines || plain.widest > width) {
        fitted.plain = false;
        for (int pixels = font.pixelSize(); pixels >= minPixelSize; --pixels) {
            fitted.font.setPixelSize(pixels);
            laid = wrapped(text, fitted.font, width, QTextOption::WrapAtWordBoundaryOrAnywhere);
            if (laid.lines.size() <= maxLines) break;
        }
    }
    fitted.lines = laid.lines;
    const QFontMetricsF metrics(fitted.font);
    if (fitted.lines.size() > maxLines) {
        QString rest = text.mid(laid.starts.at(maxLines - 1));
        rest.replace(QLatin1Char('\n'), QLatin1Char(' '));
        fitted.lines = fitted.lines.mid(0, maxLines - 1);
        fitted.lines << metrics.elidedText(rest, Qt::ElideRight, width);
    }
    double widest = 0;
    for (const QString& line : fitted.lines) widest = std::max(widest, metrics.horizontalAdvance(line));
    fitted.size = {std::min(widest, width), metrics.lineSpacing() * fitted.lines.size()};
    return fitted;
}

}  // namespace views
