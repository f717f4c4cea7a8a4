#include "panels/views/FrozenBanner.h"

#include "foundation/L10n.h"
#include "panels/views/PanelFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace views {

namespace {

const char* const bannerText = "最小化应用导致画面定格";

QFont bannerFont() { return views::systemFont(11, QFont::Medium); }

QSizeF measure(const QString& text) { return QFontMetricsF(bannerFont()).size(Qt::TextSingleLine, text); }

}  // namespace

FrozenBanner::FrozenBanner(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

QSizeF FrozenBanner::textSize()
{
    static const QSizeF size = measure(QString::fromStdString(L10n::t(bannerText)));
    return size;
}

void FrozenBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()), 4, 4);
    painter.fillPath(pill, QColor::fromRgbF(0, 0, 0, 0.55));

    const QString text = QString::fromStdString(L10n::t(bannerText));
    const QSizeF size = measure(text);
    painter.setFont(bannerFont());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.95));
    painter.drawText(QRectF((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()),
                     Qt::AlignCenter, text);
}

}  // namespace views
