// Per-panel frame rate, opacity and size, their defaults and the apply-to-all operations.
#include "capture/MirrorView.h"
#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "panels/rules/OverrideChoices.h"
#include "panels/views/PanelContentView.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/rules/PanelGeometry.h"
#include "panels/rules/PanelLayoutLog.h"
#include "panels/PipPanel.h"
#include "panels/views/TopBarView.h"
#include "panels/views/ViewAlpha.h"
#include "platform/ui/Translucency.h"

using namespace panels;

namespace {

constexpr double setAsDefaultHintSeconds = 1.6;

}  // namespace

int PipPanel::effectiveFrameRate() const
{
    return frameRateOverride.value_or(panels::PanelDefaults::defaultFrameRate());
}

double PipPanel::effectiveOpacity() const { return opacityOverride.value_or(panels::PanelDefaults::opacity()); }

double PipPanel::effectiveSizeMultiplier() const
{
    return sizeOverride.value_or(panels::PanelDefaults::defaultSizeMultiplier());
}

void PipPanel::refreshRateBadge()
{
    content->topBar().setRateBadge(effectiveFrameRate(), panels::PanelDefaults::defaultFrameRate());
}

void PipPanel::refreshOpacityBadge()
{
    content->topBar().setOpacityBadge(effectiveOpacity(), panels::PanelDefaults::opacity());
}

void PipPanel::refreshSizeBadge()
{
    content->topBar().setSizeBadge(effectiveSizeMultiplier(), panels::PanelDefaults::defaultSizeMultiplier());
}

void PipPanel::applyFrameRateChoice(int fps)
{
    const int defaultRate = panels::PanelDefaults::defaultFrameRate();
    const panels::RateChoice choice = panels::chooseFrameRate(frameRateOverride, defaultRate, fps);
    if (!choice.changed) return;
    frameRateOverride = choice.override;
    Diag::log(panels::frameRateChoiceLog(target.windowID, choice.rate, defaultRate));
    content->topBar().setRateBadge(choice.rate, defaultRate);
    mirror->setFrameRate(choice.rate);
}

void PipPanel::applyOpacityChoice(double value)
{
    const double defaultOpacity = panels::PanelDefaults::opacity();
    const panels::OpacityChoice choice = panels::chooseOpacity(opacityOverride, defaultOpacity, value);
    if (!choice.changed) return;
    opacityOverride = choice.override;
    Diag::log(panels::opacityChoiceLog(target.windowID, choice.opacity, defaultOpacity));
    content->topBar().setOpacityBadge(choice.opacity, defaultOpacity);
    applyOpacity();
}

void PipPanel::applySizeChoice(double multiplier)
{
    const double defaultMultiplier = panels::PanelDefaults::defaultSizeMultiplier();
    const panels::SizeChoice choice = panels::chooseSize(sizeOverride, defaultMultiplier, multiplier);
    if (!choice.changed) return;
    sizeOverride = choice.override;
    Diag::log(panels::sizeChoiceLog(target.windowID, choice.multiplier, defaultMultiplier));
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
    panels::PanelDefaults::setDefaultFrameRate(rate);
    frameRateOverride.reset();
    content->topBar().setRateBadge(rate, panels::PanelDefaults::defaultFrameRate());
    applyDefaultFrameRateToAll();
    Diag::log(panels::frameRateDefaultLog(target.windowID, rate));
    content->showTransientHint(L10n::t("已设为默认帧率"), setAsDefaultHintSeconds);
}

void PipPanel::setOpacityValueAsDefault()
{
    const double value = effectiveOpacity();
    panels::PanelDefaults::setOpacity(value);
    opacityOverride.reset();
    content->topBar().setOpacityBadge(value, panels::PanelDefaults::opacity());
    applyOpacityToAll();
    Diag::log(panels::opacityDefaultLog(target.windowID, value));
    content->showTransientHint(L10n::t("已设为默认透明度"), setAsDefaultHintSeconds);
}

void PipPanel::setSizeValueAsDefault()
{
    const double value = effectiveSizeMultiplier();
    panels::PanelDefaults::setDefaultSizeMultiplier(value);
    sizeOverride.reset();
    content->topBar().setSizeBadge(value, panels::PanelDefaults::defaultSizeMultiplier());
    applyDefaultSizeToAll();
    Diag::log(panels::sizeDefaultLog(target.windowID, value));
    content->showTransientHint(L10n::t("已设为默认大小"), setAsDefaultHintSeconds);
}

// Without a compositing manager a translucent picture only darkens (nothing shows through
// it), so it is drawn opaque there.
double PipPanel::pictureOpacity() const { return ui::desktopShowsThrough() ? effectiveOpacity() : 1.0; }

void PipPanel::applyOpacity()
{
    const double value = pictureOpacity();
    views::setViewAlpha(content->mirrorView(), content->pointerInsidePanel() ? 1.0 : value);
    views::setViewAlpha(content->fillView(), value < 1 ? 0 : 1);
}

// The apply-to-all operations run after a default changed: an override that now equals
// the default is dropped, as no override is ever kept equal to its default.

void PipPanel::applyOpacityToAll()
{
    const double defaultOpacity = panels::PanelDefaults::opacity();
    for (PipPanel* panel : all()) {
        panel->opacityOverride = panels::normalizedOverride(panel->opacityOverride, defaultOpacity);
        panel->applyOpacity();
        panel->refreshOpacityBadge();
    }
}

void PipPanel::applyDefaultFrameRateToAll()
{
    const int defaultRate = panels::PanelDefaults::defaultFrameRate();
    for (PipPanel* panel : all()) {
        panel->frameRateOverride = panels::normalizedOverride(panel->frameRateOverride, defaultRate);
        if (!panel->frameRateOverride) panel->mirror->setFrameRate(defaultRate);
        panel->refreshRateBadge();
    }
}

void PipPanel::applyDefaultSizeToAll()
{
    const double defaultMultiplier = panels::PanelDefaults::defaultSizeMultiplier();
    for (PipPanel* panel : all()) {
        panel->sizeOverride = panels::normalizedOverride(panel->sizeOverride, defaultMultiplier);
        panel->refreshSizeBadge();
    }
}
