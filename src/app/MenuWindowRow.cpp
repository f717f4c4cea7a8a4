#include "app/MenuWindowRow.h"

#include "app/MenuRowLayout.h"
#include "foundation/L10n.h"
#include "panels/views/PanelFonts.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/LiteralText.h"

#include <QCursor>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace app {
namespace {

// Every row that exists, in creation order: the only way to reach the rows of the open
// menu, its submenu and an earlier build at once.
std::vector<MenuWindowRow*>& liveRows()
{
    static std::vector<MenuWindowRow*> rows;
    return rows;
}

QFont labelFont() { return views::systemFont(13, QFont::Normal); }

QColor labelColor() { return QColor(0, 0, 0, 217); }
QColor secondaryLabelColor() { return QColor(0, 0, 0, 128); }
QColor accentColor() { return QColor(0, 122, 255); }
QColor highlightColor() { return QColor(0, 99, 225); }
QColor highlightedTextColor() { return Qt::white; }

// A viewfinder: four corner brackets around a small dot.
QIcon viewfinderIcon(const QColor& tint)
{
    QPixmap pixmap(44, 44);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(tint, 1.6, Qt::SolidLine, Qt::RoundCap));
    const double a = 4, b = 18, arm = 4.5;
    for (double x : {a, b})
        for (double y : {a, b}) {
            const double dx = x == a ? arm : -arm, dy = y == a ? arm : -arm;
            painter.drawLine(QPointF(x, y), QPointF(x + dx, y));
            painter.drawLine(QPointF(x, y), QPointF(x, y + dy));
        }
    painter.setBrush(tint);
    painter.drawEllipse(QPointF(11, 11), 1.6, 1.6);
    return QIcon(pixmap);
}

void setLabelColour(QLabel& label, const QColor& colour)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

}  // namespace

MenuWindowRow::MenuWindowRow(const std::string& title, const std::string& shownTitle, const QImage& thumbImage)
    : title_(title), shownTitle_(shownTitle)
{
    setFixedSize(static_cast<int>(menurow::defaultWidth), static_cast<int>(menurow::height));
    setMouseTracking(true);
    if (!thumbImage.isNull()) {
        hasThumb_ = true;
        thumb_ = new QLabel(this);
        thumb_->setPixmap(QPixmap::fromImage(thumbImage));
        thumb_->setScaledContents(true);
    }
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    label_->setFont(labelFont());
    label_->setWordWrap(false);
    setLabelColour(*label_, labelColor());

    focusBtn_ = new QToolButton(this);
    focusBtn_->setAutoRaise(true);
    focusBtn_->setIcon(viewfinderIcon(secondaryLabelColor()));
    focusBtn_->setIconSize(QSize(22, 22));
    focusBtn_->setAccessibleDescription(QString::fromStdString(L10n::t("聚焦创建小窗（框选局部）")));
    focusBtn_->setToolTip(QString::fromStdString(L10n::t("打开原应用，然后框选聚焦")));
    focusBtn_->setStyleSheet("QToolButton { border: none; background: transparent; }");
    connect(focusBtn_, &QToolButton::clicked, this, [this] { focusTapped(); });

    setToolTip(ui::plainToolTip(shownTitle));
    layoutParts();
    liveRows().push_back(this);
}

MenuWindowRow::~MenuWindowRow()
{
    auto& rows = liveRows();
    rows.erase(std::remove(rows.begin(), rows.end(), this), rows.end());
}

double MenuWindowRow::measureLabel(const std::string& text)
{
    return QFontMetricsF(labelFont()).horizontalAdvance(QString::fromStdString(text));
}

QString MenuWindowRow::elidedLabel(const std::string& text, double width)
{
    return QFontMetricsF(labelFont()).elidedText(QString::fromStdString(text), Qt::ElideRight, width);
}

double MenuWindowRow::naturalWidth(const std::string& title, double thumbWidth)
{
    return naturalRowWidth(measureLabel(title), thumbWidth);
}

void MenuWindowRow::setRowWidth(double width) { setFixedSize(static_cast<int>(width), height()); }

void MenuWindowRow::retitle(const std::string& title, const std::string& shownTitle)
{
    title_ = title;
    shownTitle_ = shownTitle;
    setToolTip(ui::plainToolTip(shownTitle));
    layoutParts();
}

void MenuWindowRow::clearHoverOfAllRows()
{
    for (auto* row : liveRows()) row->setHovered(false);
}

void MenuWindowRow::layoutParts()
{
    std::optional<core::Size> thumbSize;
    if (hasThumb_) {
        const QSizeF size = thumb_->pixmap().deviceIndependentSize();
        thumbSize = core::Size{size.width(), size.height()};
    }
    const double labelHeight = QFontMetricsF(label_->font()).height();
    const auto frames = menurow::layout(width(), height(), thumbSize, labelHeight);
    const auto place = [](QWidget& widget, const core::Rect& r) {
        widget.setGeometry(QRectF(r.x(), r.y(), r.width(), r.height()).toRect());
    };
    if (thumb_) place(*thumb_, frames.thumbnail);
    place(*label_, frames.label);
    place(*focusBtn_, frames.focusButton);
    label_->setText(elidedLabel(shownTitle_, frames.label.width()));
}

void MenuWindowRow::resizeEvent(QResizeEvent*) { layoutParts(); }

void MenuWindowRow::paintEvent(QPaintEvent*)
{
    if (!hovered_) return;
    QPainter painter(this);
    painter.fillRect(rect(), highlightColor());
}

void MenuWindowRow::setHovered(bool value)
{
    if (hovered_ == value) return;
    hovered_ = value;
    update();
    setLabelColour(*label_, value ? highlightedTextColor() : labelColor());
    focusBtn_->setIcon(viewfinderIcon(value ? accentColor() : secondaryLabelColor()));
}

void MenuWindowRow::enterEvent(QEnterEvent*)
{
    for (auto* row : liveRows())
        if (row != this) row->setHovered(false);
    setHovered(true);
}

void MenuWindowRow::leaveEvent(QEvent*) { setHovered(false); }

void MenuWindowRow::hideEvent(QHideEvent*) { setHovered(false); }

// A menu that opens under a still pointer highlights the row beneath it.
void MenuWindowRow::showEvent(QShowEvent*)
{
    if (rect().contains(mapFromGlobal(QCursor::pos()))) {
        for (auto* row : liveRows())
            if (row != this) row->setHovered(false);
        setHovered(true);
    } else {
        setHovered(false);
    }
}

void MenuWindowRow::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    if (menurow::isNearFocusButton({at.x(), at.y()}, width(), height())) return;
    // The callback is taken first: closing the menu may schedule a rebuild that drops
    // this row before the pick runs.
    auto pick = onPick;
    if (cancelTracking) cancelTracking();
    if (pick) dispatch::main().async(pick);
}

void MenuWindowRow::focusTapped()
{
    auto focus = onFocus;
    if (cancelTracking) cancelTracking();
    if (focus) dispatch::main().async(focus);
}

}  // namespace app
