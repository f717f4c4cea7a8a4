#pragma once

#include "platform/core/Geometry.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <memory>
#include <optional>
#include <string>

class QSvgRenderer;

namespace ui {

// A single-colour drawing of the application's own (a mask): whoever shows it picks the
// colour, and it is drawn afresh at each size so that it stays sharp. Main thread only.
class TemplateImage {
public:
    // The compiled-in image of that name; none when there is no such image.
    static std::optional<TemplateImage> named(const std::string& name);
    // From SVG text; none when it does not parse.
    static std::optional<TemplateImage> fromSvg(const QByteArray& svg);

    // Its own size, in points.
    core::Size naturalSize() const;
    // An image of `pixels` (at the device pixel ratio given) in one colour, the drawing
    // centred in it at its own proportions, as large as a whole multiple of its own size
    // allows (at least once); transparent elsewhere.
    QImage render(QSize pixels, const QColor& color, double devicePixelRatio = 1) const;

private:
    explicit TemplateImage(std::shared_ptr<QSvgRenderer> renderer);
    std::shared_ptr<QSvgRenderer> renderer_;
};

}  // namespace ui
