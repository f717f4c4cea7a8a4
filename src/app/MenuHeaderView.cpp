#include "app/MenuHeaderView.h"

#include "panels/views/PanelFonts.h"

#include <QLabel>

#include <algorithm>

namespace app {

MenuHeaderView::MenuHeaderView(const std::string& title, double width) : title_(title)
{
    setFixedSize(static_cast<int>(width), 26);
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    label_->setFont(views::systemFont(12, QFont::Normal));
    label_->setWordWrap(false);
    layoutLabel();
}

std::string MenuHeaderView::title() const { return title_; }

void MenuHeaderView::resizeEvent(QResizeEvent*) { layoutLabel(); }

void MenuHeaderView::layoutLabel()
{
    const QFontMetricsF metrics(label_->font());
    const double h = metrics.height();
    const double w = std::max(0.0, width() - 20.0);
    label_->setGeometry(QRectF(10, (height() - h) / 2, w, h).toRect());
    label_->setText(metrics.elidedText(QString::fromStdString(title_), Qt::ElideRight, w));
}

}  // namespace app
