#include "panels/views/PreviewContentView.h"

#include "capture/MirrorView.h"
#include "capture/NumberText.h"
#include "foundation/Diag.h"
#include "panels/views/FittedText.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/PanelFonts.h"
#include "panels/PipPanel.h"
#include "panels/views/PreviewPanel.h"
#include "panels/views/ViewAlpha.h"
#include "platform/ui/Coordinates.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace views {

using namespace panels;

namespace {

constexpr double frozenFadeDuration = 0.15;
constexpr int hintLines = 3;
constexpr int hintMinPixelSize = 9;

QFont hintFont() { return systemFont(12, QFont::Medium); }

}  // namespace

PreviewContentView::PreviewContentView(const QRectF& frame, QWidget* parent)
    : QWidget(parent),
      mirrorView(new MirrorView(true, false, this)),
      frozenBanner(new FrozenBanner(this)),
      hintLabel(new QLabel(this))
{
    setGeometry(frame.toRect());
    setAttribute(Qt::WA_TranslucentBackground);
    mirrorView->setGeometry(rect());
    installAlpha(*mirrorView, 1, false);
    installAlpha(*frozenBanner, 0, false);

    hintLabel->setTextFormat(Qt::PlainText);
    hintLabel->setStyleSheet("color: white; background: rgba(0, 0, 0, 166); border-radius: 5px;");
    hintLabel->setAlignment(Qt::AlignCenter);
    hintLabel->setTextInteractionFlags(Qt::NoTextInteraction);
    // A press on the hint is a press on the picture beneath.
    hintLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    installAlpha(*hintLabel, 0, false);
    hintLabel->raise();
    layoutSubviews();
}

void PreviewContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutSubviews();
}

void PreviewContentView::layoutSubviews()
{
    syncMirrorFrame();
    const double w = width();
    const double h = height();
    frozenBanner->layoutInParent();
    // A hint longer than a line of the box wraps, then shrinks, then is cut.
    const double boxWidth = std::min(hintWidth, std::max(w - 20, 40.0));
    const FittedText fitted = fitText(hintText_, hintFont(), boxWidth - 16, hintLines, hintMinPixelSize);
    hintLabel->setFont(fitted.font);
    hintLabel->setText(fitted.lines.join(QLatin1Char('\n')));
    const double boxHeight = std::max(hintHeight, std::ceil(fitted.size.height()) + 8);
    hintLabel->setGeometry(ui::roundedRect({(w - boxWidth) / 2, h / 2 - boxHeight / 2, boxWidth, boxHeight}));
}

void PreviewContentView::syncMirrorFrame()
{
    if (mirrorView->geometry() == rect()) return;
    mirrorView->setGeometry(rect());
    core::Size source;
    if (const auto* preview = dynamic_cast<const PreviewPanel*>(window()); preview && preview->ownerPanel)
        source = preview->ownerPanel->mirror->sourceSize();
    using capture::wholeText;
    Diag::log("预览几何: 框=" + capture::wholeSizeText(width(), height()) +
              " 画面=" + capture::wholeSizeText(mirrorView->width(), mirrorView->height()) + " 偏移=(" +
              wholeText(mirrorView->x()) + "," + wholeText(mirrorView->y()) +
              ") 源=" + capture::wholeSizeText(source.width, source.height) + " 样式=1");
}

void PreviewContentView::setFrozen(bool frozen) { fadeViewAlpha(*frozenBanner, frozen ? 1 : 0, frozenFadeDuration); }

void PreviewContentView::showHint(const std::string& text)
{
    Diag::log("showHint: '" + text + "' alpha当前=" + core::numberText(viewAlpha(*hintLabel)));
    hintText_ = QString::fromStdString(text);
    layoutSubviews();
    setViewAlpha(*hintLabel, 1);
}

void PreviewContentView::paintEvent(QPaintEvent*)
{
    // The thin light rim around the picture. A smoothed stroke of the whole outline costs
    // as much as the picture at this size, so it is drawn once and each paint copies only
    // the corners and the one-point edges.
    QPainter painter(this);
    const double ratio = painter.device()->devicePixelRatioF();
    const QImage& rim = rimImage(ratio);
    const double w = width(), h = height(), c = cornerRadius;
    const QRectF pieces[] = {{0, 0, c, c},         {w - c, 0, c, c},        {0, h - c, c, c},
                             {w - c, h - c, c, c}, {c, 0, w - 2 * c, 1},    {c, h - 1, w - 2 * c, 1},
                             {0, c, 1, h - 2 * c}, {w - 1, c, 1, h - 2 * c}};
    for (const QRectF& piece : pieces)
        painter.drawImage(piece, rim,
                          QRectF(piece.x() * ratio, piece.y() * ratio, piece.width() * ratio, piece.height() * ratio));
}

const QImage& PreviewContentView::rimImage(double pixelRatio)
{
    const QSize pixels(qRound(width() * pixelRatio), qRound(height() * pixelRatio));
    if (rim_.size() == pixels && rim_.devicePixelRatio() == pixelRatio) return rim_;
    rim_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    rim_.setDevicePixelRatio(pixelRatio);
    rim_.fill(Qt::transparent);
    QPainter painter(&rim_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(255, 255, 255, 46), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
    return rim_;
}

void PreviewContentView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !onMouseDown) return;
    onMouseDown(event->position(), 1);
}

void PreviewContentView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !onMouseDown) return;
    onMouseDown(event->position(), 2);
}

}  // namespace views
