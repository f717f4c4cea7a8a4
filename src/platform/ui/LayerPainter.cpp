#include "platform/ui/LayerPainter.h"

namespace ui {

void paintLayer(QPainter&, const Layer&, double, double) {}

}  // namespace ui
