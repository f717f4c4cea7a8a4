#include "platform/ui/TemplateImage.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace ui {

std::optional<TemplateImage> TemplateImage::named(const std::string& name)
{
    QFile file(":/images/" + QString::fromStdString(name) + ".svg");
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return fromSvg(file.readAll());
}

std::optional<TemplateImage> TemplateImage::fromSvg(const QByteArray& svg)
{
    auto renderer = std::make_shared<QSvgRenderer>(svg);
    if (!renderer->isValid() || renderer->defaultSize().isEmpty()) return std::nullopt;
    return TemplateImage(std::move(renderer));
}

TemplateImage::TemplateImage(std::shared_ptr<QSvgRenderer> renderer) : renderer_(std::move(renderer)) {}

core::Size TemplateImage::naturalSize() const
{
    const QSize size = renderer_->defaultSize();
    return {double(size.width()), double(size.height())};
}

QImage TemplateImage::render(QSize pixels, const QColor& color, double devicePixelRatio) const
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (pixels.isEmpty()) return image;
    const QSizeF own = renderer_->defaultSize();
    // Lines on whole points stay sharp at whole multiples of the own size. The drawings
    // keep a point of empty margin all round, which may go where a size is a little short.
    const double fit = std::min(pixels.width() / own.width(), pixels.height() / own.height());
    const double whole = std::floor(std::min((pixels.width() + 2) / own.width(), (pixels.height() + 2) / own.height()));
    const double scale = whole >= 1 ? whole : fit;
    const QSizeF drawn = own * scale;
    QPainter painter(&image);
    // Its edges start on whole pixels.
    const QPointF origin(std::floor((pixels.width() - drawn.width()) / 2),
                         std::floor((pixels.height() - drawn.height()) / 2));
    renderer_->render(&painter, QRectF(origin, drawn));
    // Only the drawing's coverage counts: it takes the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

}  // namespace ui
