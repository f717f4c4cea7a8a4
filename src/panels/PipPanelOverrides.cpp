// Per-panel frame rate, opacity and size, their defaults and the apply-to-all operations.
#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "panels/OverrideChoices.h"
#include "panels/PanelContentView.h"
#include "panels/PanelDefaults.h"
#include "panels/PanelGeometry.h"
#include "panels/PanelLayoutLog.h"
#include "panels/PipPanel.h"
#include "panels/TopBarView.h"
#include "panels/ViewAlpha.h"
#include "platform/ui/Translucency.h"

using namespace panels;

namespace {

constexpr double setAsDefaultHintSeconds = 1.6;

}  // namespace

int PipPanel::effectiveFrameRate() const { return frameRateOverride.value_or(PanelDefaults::defaultFrameRate()); }

double PipPanel::effectiveOpacity() const { return opacityOverride.value_or(PanelDefaults::opacity()); }

double PipPanel::effectiveSizeMultiplier() const
{
    return sizeOverride.value_or(PanelDefaults::defaultSizeMultiplier());
}

void PipPanel::refreshRateBadge()
{
    content->topBar().setRateBadge(effectiveFrameRate(), PanelDefaults::defaultFrameRate());
}

void PipPanel::refreshOpacityBadge()
{
    content->topBar().setOpacityBadge(effectiveOpacity(), PanelDefaults::opacity());
}

void PipPanel::refreshSizeBadge()
{
    content->topBar().setSizeBadge(effectiveSizeMultiplier(), PanelDefaults::defaultSizeMultiplier());
}

void PipPanel::applyFrameRateChoice(int fps)
{
    const int defaultRate = PanelDefaults::defaultFrameRate();
    const RateChoice choice = chooseFrameRate(frameRateOverride, defaultRate, fps);
    if (!choice.changed) return;
    frameRateOverride = choice.override;
    Diag::log(frameRateChoiceLog(target.windowID, choice.rate, defaultRate));
    content->topBar().setRateBadge(choice.rate, defaultRate);
    mirror->setFrameRate(choice.rate);
}

void PipPanel::applyOpacityChoice(double value)
{
    const double defaultOpacity = PanelDefaults::opacity();
    const OpacityChoice choice = chooseOpacity(opacityOverride, defaultOpacity, value);
    if (!choice.changed) return;
    opacityOverride = choice.override;
    Diag::log(opacityChoiceLog(target.windowID, choice.opacity, defaultOpacity));
    content->topBar().setOpacityBadge(choice.opacity, defaultOpacity);
    applyOpacity();
}

void PipPanel::applySizeChoice(double multiplier)
{
    const double defaultMultiplier = PanelDefaults::defaultSizeMultiplier();
    const SizeChoice choice = chooseSize(sizeOverride, defaultMultiplier, multiplier);
    if (!choice.changed) return;
    sizeOverride = choice.override;
    Diag::log(sizeChoiceLog(target.windowID, choice.multiplier, defaultMultiplier));
    content->topBar().setSizeBadge(choice.multiplier, defaultMultiplier);

    const core::Size size = sizeForMultiplier(choice.multiplier);
    core::Point origin{frame().midX() - size.width / 2, frame().midY() - size.height / 2};
    if (const auto home = screen() ? screen() : ui::mainScreen())
        origin = clampedOrigin(origin, size, home->visibleFrame);
    setFrame({origin, size});
    Diag::log("小窗大小生效: " + roundedText(size.width) + "×" + roundedText(size.height));
}

void PipPanel::setRateValueAsDefault()
{
    const int rate = effectiveFrameRate();
    PanelDefaults::setDefaultFrameRate(rate);
    frameRateOverride.reset();
    content->topBar().setRateBadge(rate, PanelDefaults::defaultFrameRate());
    applyDefaultFrameRateToAll();
    Diag::log(frameRateDefaultLog(target.windowID, rate));
    content->showTransientHint(L10n::t("已设为默认帧率"), setAsDefaultHintSeconds);
}

void PipPanel::setOpacityValueAsDefault()
{
    const double value = effectiveOpacity();
    PanelDefaults::setOpacity(value);
    opacityOverride.reset();
    content->topBar().setOpacityBadge(value, PanelDefaults::opacity());
    applyOpacityToAll();
    Diag::log(opacityDefaultLog(target.windowID, value));
    content->showTransientHint(L10n::t("已设为默认透明度"), setAsDefaultHintSeconds);
}

void PipPanel::setSizeValueAsDefault()
{
    const double value = effectiveSizeMultiplier();
    PanelDefaults::setDefaultSizeMultiplier(value);
    sizeOverride.reset();
    content->topBar().setSizeBadge(value, PanelDefaults::defaultSizeMultiplier());
    applyDefaultSizeToAll();
    Diag::log(sizeDefaultLog(target.windowID, value));
    content->showTransientHint(L10n::t("已设为默认大小"), setAsDefaultHintSeconds);
}

// Without a compositing manager a translucent picture only darkens (nothing shows through
// it), so it is drawn opaque there.
double PipPanel::pictureOpacity() const { return ui::desktopShowsThrough() ? effectiveOpacity() : 1.0; }

void PipPanel::applyOpacity()
{
    const double value = pictureOpacity();
    setViewAlpha(content->mirrorView(), content->pointerInsidePanel() ? 1.0 : value);
    setViewAlpha(content->fillView(), value < 1 ? 0 : 1);
}

// The apply-to-all operations run after a default changed: an override that now equals
// the default is dropped, as no override is ever kept equal to its default.

void PipPanel::applyOpacityToAll()
{
    const double defaultOpacity = PanelDefaults::opacity();
    for (PipPanel* panel : all()) {
        panel->opacityOverride = normalizedOverride(panel->opacityOverride, defaultOpacity);
        panel->applyOpacity();
        panel->refreshOpacityBadge();
    }
}

void PipPanel::applyDefaultFrameRateToAll()
{
    const int defaultRate = PanelDefaults::defaultFrameRate();
    for (PipPanel* panel : all()) {
        panel->frameRateOverride = normalizedOverride(panel->frameRateOverride, defaultRate);
        if (!panel->frameRateOverride) panel->mirror->setFrameRate(defaultRate);
        panel->refreshRateBadge();
    }
}

void PipPanel::applyDefaultSizeToAll()
{
    const double defaultMultiplier = PanelDefaults::defaultSizeMultiplier();
    for (PipPanel* panel : all()) {
        panel->sizeOverride = normalizedOverride(panel->sizeOverride, defaultMultiplier);
        panel->refreshSizeBadge();
    }
}
