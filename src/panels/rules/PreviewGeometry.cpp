#include "panels/rules/PreviewGeometry.h"

#include <algorithm>
#include <cmath>

namespace panels {

core::Rect previewFrame(const core::Rect& visible, core::Size sourceSize, double scale, core::Size miniWindow)
{
    const double diagonal = std::hypot(visible.width(), visible.height());
    const double aspect = sourceSize.height > 1 ? sourceSize.width / sourceSize.height : 1.6;
    const double d = std::min(scale / 3 * 0.55 * diagonal, 0.85 * diagonal);

    double w = std::max(d, 2.0);
    double h = w;
    if (d > 1 && aspect > 0.01) {
        const double norm = std::sqrt(aspect * aspect + 1);
        w = aspect * d / norm;
        h = d / norm;
    }
    const double maxWidth = 0.85 * visible.width();
    if (w > maxWidth) {
        h *= maxWidth / w;
        w = maxWidth;
    }
    const double maxHeight = 0.85 * visible.height();
    if (h > maxHeight) {
        w *= maxHeight / h;
        h = maxHeight;
    }
    if (w > 0 && h > 0) {
        const double grow = std::min(
            {std::max({1.0, miniWindow.width / w, miniWindow.height / h}), visible.width() / w, visible.height() / h});
        w *= grow;
        h *= grow;
    }
    return {visible.midX() - w / 2, visible.midY() - h / 2, w, h};
}

}  // namespace panels
