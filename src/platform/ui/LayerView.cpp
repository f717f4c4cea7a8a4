#include "platform/ui/LayerView.h"

#include "platform/dispatch/Queue.h"

namespace ui {

struct LayerView::Tick {};

LayerView::LayerView(QWidget* parent) : QWidget(parent) {}
LayerView::~LayerView() = default;
void LayerView::restartClock() {}
double LayerView::elapsed() const { return 0; }
void LayerView::paintEvent(QPaintEvent*) {}
void LayerView::resizeEvent(QResizeEvent*) {}
void LayerView::showEvent(QShowEvent*) {}
void LayerView::hideEvent(QHideEvent*) {}

}  // namespace ui
