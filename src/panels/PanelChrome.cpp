// The chrome's fades: the top bar and the grip show while the pointer is over the panel,
// and the picture is fully opaque then.
#include "capture/MirrorView.h"
#include "panels/GripView.h"
#include "panels/PanelContentView.h"
#include "panels/PanelDefaults.h"
#include "panels/PipPanel.h"
#include "panels/TopBarView.h"
#include "panels/ViewAlpha.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"

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
    const double pictureAlpha = inside ? 1.0 : panel ? panel->pictureOpacity() : PanelDefaults::opacity();
    fadeViewAlpha(*topBar, visible ? 1 : 0, chromeFadeDuration);
    fadeViewAlpha(*grip, visible ? 1 : 0, chromeFadeDuration);
    fadeViewAlpha(*mirrorView, pictureAlpha, chromeFadeDuration);
}

void PanelContentView::showChromeTemporarily()
{
    showChrome(true);
    chromeTimer.cancel();
    chromeTimer = dispatch::main().asyncAfter(temporaryChromeSeconds, [self = QPointer<PanelContentView>(this)] {
        if (self) self->showChrome(false);
    });
}
