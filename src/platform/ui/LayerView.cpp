#include "platform/ui/LayerView.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timer.h"
#include "platform/ui/LayerPainter.h"
#include "platform/ui/TitleBar.h"

#include <QPainter>

namespace ui {
namespace {

constexpr double tickInterval = 1.0 / 60;

}  // namespace

struct LayerView::Tick {
    dispatch::Timer timer;
};

LayerView::LayerView(QWidget* parent) : QWidget(parent)
{
    root_.anchorPoint = {0, 0};
    root_.position = {0, 0};
    sizeRootToView();
    start_ = dispatch::now();
}

LayerView::~LayerView() = default;

Layer& LayerView::root()
{
    sizeRootToView();
    return root_;
}

void LayerView::sizeRootToView() { root_.size = {static_cast<double>(width()), static_cast<double>(height())}; }

void LayerView::restartClock() { start_ = dispatch::now(); }

double LayerView::elapsed() const { return dispatch::now() - start_; }

void LayerView::paintEvent(QPaintEvent*)
{
    sizeRootToView();
    QPainter painter(this);
    paintLayer(painter, root_, elapsed(), height());
}

void LayerView::resizeEvent(QResizeEvent* event)
{
    sizeRootToView();
    QWidget::resizeEvent(event);
}

void LayerView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Headless, pictures are drawn on demand only, so one at a given time never depends on
    // how many ticks ran before it.
    if (tick_ || !hasWindowSystem()) return;
    tick_ = std::make_unique<Tick>();
    tick_->timer = dispatch::Timer(dispatch::main(), tickInterval, [this] { update(); });
}

void LayerView::hideEvent(QHideEvent* event)
{
    tick_.reset();
    QWidget::hideEvent(event);
}

}  // namespace ui
