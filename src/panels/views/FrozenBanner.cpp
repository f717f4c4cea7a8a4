#include "panels/views/FrozenBanner.h"

#include "foundation/L10n.h"
#include "panels/views/PanelFonts.h"
#include "platform/ui/Coordinates.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace views {

namespace {

QFont bannerFont() { return views::systemFont(11, QFont::Medium); }

QSizeF measure(const QString& text) { return QFontMetricsF(bannerFont()).size(Qt::TextSingleLine, text); }

QString translated(FrozenBanner::Cause cause)
{
    return QString::fromStdString(L10n::t(FrozenBanner::sourceText(cause)));
}

}  // namespace

FrozenBanner::FrozenBanner(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

const char* FrozenBanner::sourceText(Cause cause)
{
    return cause == Cause::otherWorkspace ? "窗口在其他桌面导致画面定格" : "最小化应用导致画面定格";
}

QSizeF FrozenBanner::textSize(Cause cause)
{
    if (cause == Cause::otherWorkspace) {
        static const QSizeF otherWorkspace = measure(translated(cause));
        return otherWorkspace;
    }
    static const QSizeF minimised = measure(translated(cause));
    return minimised;
}

void FrozenBanner::setCause(Cause cause)
{
    if (cause == cause_) return;
    cause_ = cause;
    layoutInParent();
    update();
}

void FrozenBanner::layoutInParent()
{
    const QWidget* parent = parentWidget();
    if (!parent) return;
    const double w = parent->width();
    const double h = parent->height();
    const double bannerWidth = textSize(cause_).width() + 24;
    setGeometry(ui::roundedRect({(w - bannerWidth) / 2, h - 30, bannerWidth, 22}));
}

void FrozenBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()), 4, 4);
    painter.fillPath(pill, QColor::fromRgbF(0, 0, 0, 0.55));

    const QString text = translated(cause_);
    const QSizeF size = measure(text);
    painter.setFont(bannerFont());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.95));
    painter.drawText(QRectF((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()),
                     Qt::AlignCenter, text);
}

}  // namespace views
