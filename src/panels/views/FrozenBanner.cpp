#include "panels/views/FrozenBanner.h"

#include "foundation/L10n.h"
#include "panels/views/PanelFonts.h"
#include "platform/ui/Coordinates.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace views {

namespace {

constexpr double padding = 12;
constexpr double sideMargin = 10;
constexpr double singleLineHeight = 22;
constexpr int maxLines = 4;
constexpr int minPixelSize = 8;

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
    switch (cause) {
    case Cause::otherWorkspace: return "窗口在其他桌面导致画面定格";
    case Cause::hidden: return "窗口被隐藏导致画面定格";
    case Cause::minimised: break;
    }
    return "最小化应用导致画面定格";
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
    // Measured anew: a language chosen since would otherwise keep the last one's width.
    laidText_ = translated(cause_);
    const QWidget* parent = parentWidget();
    if (!parent) return;
    const double w = parent->width();
    const double h = parent->height();
    double bannerWidth = measure(laidText_).width() + 2 * padding;
    double bannerHeight = singleLineHeight;
    if (bannerWidth <= w - 2 * sideMargin) {
        fitted_.reset();
    } else {
        fitted_ = fitText(laidText_, bannerFont(), std::max(w - 2 * (sideMargin + padding), 1.0), maxLines, minPixelSize);
        bannerWidth = std::ceil(fitted_->size.width()) + 2 * padding;
        bannerHeight = std::max(singleLineHeight, std::ceil(fitted_->size.height()) + 8);
    }
    setGeometry(ui::roundedRect({(w - bannerWidth) / 2, h - 8 - bannerHeight, bannerWidth, bannerHeight}));
}

void FrozenBanner::paintEvent(QPaintEvent*)
{
    // Nothing tells a banner of a language chosen since its layout: it finds out here.
    if (translated(cause_) != laidText_) layoutInParent();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()), 4, 4);
    painter.fillPath(pill, QColor::fromRgbF(0, 0, 0, 0.55));
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.95));

    if (fitted_) {
        painter.setFont(fitted_->font);
        const double lineHeight = fitted_->size.height() / fitted_->lines.size();
        double y = (height() - fitted_->size.height()) / 2;
        for (const QString& line : fitted_->lines) {
            painter.drawText(QRectF(0, y, width(), lineHeight), Qt::AlignCenter, line);
            y += lineHeight;
        }
        return;
    }
    const QSizeF size = measure(laidText_);
    painter.setFont(bannerFont());
    painter.drawText(QRectF((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height()),
                     Qt::AlignCenter, laidText_);
}

}  // namespace views
