// The chrome's fades: the top bar and the grip show while the pointer is over the panel,
// and the picture is fully opaque then; the top bar's title states.
#include "capture/MirrorView.h"
#include "panels/views/GripView.h"
#include "panels/views/PanelContentView.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/PipPanel.h"
#include "panels/views/TopBarView.h"
#include "panels/views/ViewAlpha.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

namespace views {

using namespace panels;

namespace {

constexpr double chromeFadeDuration = 0.15;
constexpr double temporaryChromeSeconds = 2.0;

}  // namespace

bool PanelContentView::pointerInsidePanel() const
{
    const auto* owner = dynamic_cast<const ui::Window*>(window());
    if (!owner) return false;
    const core::Point global = desktop::input().pointerLocation();
    return owner->frame().contains(ui::screenPoint(QPointF(global.x, global.y)));
}

void PanelContentView::showChrome(bool visible)
{
    const bool inside = pointerInsidePanel();
    const double pictureAlpha = inside ? 1.0 : panel_ ? panel_->pictureOpacity() : panels::PanelDefaults::opacity();
    fadeViewAlpha(*topBar_, visible ? 1 : 0, chromeFadeDuration);
    fadeViewAlpha(*grip_, visible ? 1 : 0, chromeFadeDuration);
    fadeViewAlpha(*mirrorView_, pictureAlpha, chromeFadeDuration);
}

void PanelContentView::showChromeTemporarily()
{
    showChrome(true);
    chromeTimer_.cancel();
    chromeTimer_ = dispatch::main().asyncAfter(temporaryChromeSeconds, [self = QPointer<PanelContentView>(this)] {
        if (self) self->showChrome(false);
    });
}

void PanelContentView::setFixedPreview(bool on)
{
    topBar_->fixedPreview = on;
    topBar_->refreshTitle();
}

void PanelContentView::setPaused(bool paused)
{
    topBar_->paused = paused;
    topBar_->refreshTitle();
}

}  // namespace views
