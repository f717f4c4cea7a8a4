#pragma once

#include "platform/ui/Layer.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace ui {

// A view that shows a layer tree, its root filling the view. The tree's clock starts when
// restartClock() is called (the scene was built) and reads dispatch::now(): a picture at a
// given virtual time is always the same. Where the window system composites, a 60 Hz
// main-queue tick repaints the view while it is visible; headless, it is drawn only when a
// picture is asked for.
class LayerView : public QWidget {
    Q_OBJECT

public:
    explicit LayerView(QWidget* parent = nullptr);
    ~LayerView() override;

    // The root: sized to the view; the caller sets its look and adds sublayers.
    Layer& root();
    const Layer& root() const { return root_; }

    void restartClock();
    // Seconds since restartClock().
    double elapsed() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Tick;

    // A hidden view hears of a resize only once shown; the size is read where it counts.
    void sizeRootToView();

    Layer root_;
    double start_ = 0;
    std::unique_ptr<Tick> tick_;
};

}  // namespace ui
