#include "settings/WrappingLabel.h"

#include "settings/TextWrapping.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <vector>

WrappingLabel::WrappingLabel(const QString& text, int maxLines, QWidget* parent)
    : QLabel(text, parent), maxLines_(maxLines)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int inset = static_cast<int>(settings::labelTextInset);
    setContentsMargins(inset, 0, inset, 0);
}

void WrappingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QString content = text();
    QTextLayout layout(settings::laidOutText(content), font());
    layout.setTextOption(settings::wrappingOption());
    layout.beginLayout();
    std::vector<QTextLine> lines;
    double y = 0;
    while (static_cast<int>(lines.size()) < maxLines_) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(std::max(contentsRect().width(), 20));
        line.setPosition(QPointF(contentsRect().left(), y));
        y += line.height();
        lines.push_back(line);
    }
    layout.endLayout();
    if (lines.empty()) return;

    const QTextLine& last = lines.back();
    const bool cut = last.textStart() + last.textLength() < content.size();
    for (std::size_t i = 0; i + (cut ? 1 : 0) < lines.size(); ++i) lines[i].draw(&painter, QPointF());
    if (cut) {
        const QFontMetricsF metrics(font());
        const QString rest = content.mid(last.textStart()).simplified();
        painter.drawText(QPointF(contentsRect().left(), last.y() + last.ascent()),
                         metrics.elidedText(rest, Qt::ElideRight, last.width()));
    }
}
