#pragma once

#include "app/HoverTriggerCorner.h"
#include "shellcore/HoverTriggerTheme.h"
#include "platform/ui/Window.h"

#include <QPixmap>

#include <functional>

namespace app {

// The trigger block's background: a vertical two-colour gradient with a small glyph.
// A press with Option down starts a focus drag; any other press and release inside is a
// click.
class HoverOverlayBackground : public QWidget {
    Q_OBJECT

public:
    static constexpr core::Size size = HoverTriggerCorner::blockSize;

    explicit HoverOverlayBackground(QWidget* parent = nullptr);

    void setColours(const HoverTriggerColours& colours);
    const HoverTriggerColours& colours() const { return colours_; }
    // Painted under the block's rounded shape where nothing shows through its corners;
    // null elsewhere.
    void setBeneath(QPixmap picture);

    std::function<void()> onOptionDrag;
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    HoverTriggerColours colours_;
    QPixmap beneath_;
    bool pressed_ = false;
};

// The block's own window: 84 x 56, floating, never activating, out of the window
// manager's hands so that an Alt-drag on it is ours, made once and kept.
class HoverTriggerBlock : public ui::Window {
    Q_OBJECT

public:
    HoverTriggerBlock();

    HoverOverlayBackground& background() const { return *background_; }

    // Reads the stored theme again.
    void applyTheme();
    // At the frame's origin, from alpha 0 to 1 over 0.18 s.
    void showAt(const core::Rect& frame);
    // To alpha 0 over 0.3 s; then ordered out when stillHidden() says so.
    void fadeOut(std::function<bool()> stillHidden);

private:
    HoverOverlayBackground* background_;
};

}  // namespace app
