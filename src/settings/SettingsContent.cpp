#include "settings/SettingsWindow.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "panels/rules/PanelDefaults.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Switch.h"
#include "settings/SliderGroup.h"
#include "settings/TabControls.h"
#include "settings/TriggerThemePreviewView.h"
#include "settings/ValueLabels.h"
#include "settings/WindowGeometry.h"
#include "shellcore/HoverTriggerTheme.h"
#include "shellcore/MenuThumbnailSetting.h"

#include <QComboBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>

#include <cmath>

namespace {

void setText(QLabel& label, const std::string& text) { label.setText(QString::fromStdString(text)); }

}  // namespace

void SettingsWindow::discardView(QWidget& view)
{
    view.hide();
    view.setParent(nullptr);
    view.deleteLater();
}

void SettingsWindow::dropControlReferences()
{
    checkButton_.clear();
    previewSwitch_.clear();
    scaleSlider_.clear();
    scaleValue_.clear();
    sizeSlider_.clear();
    sizeValue_.clear();
    doubleClickSwitch_.clear();
    themePopup_.clear();
    themePreview_.clear();
    languagePopup_.clear();
    launchSwitch_.clear();
    menuThumbsSwitch_.clear();
    screenPopup_.clear();
    windowCornerPopup_.clear();
    opacitySlider_.clear();
    opacityValue_.clear();
    frameRatePopup_.clear();
    recorderButtons_.clear();
    holdRowView_.clear();
    hoverDelayRow_.clear();
    hoverDelaySliderRef_.clear();
    hoverDelayValueRef_.clear();
}

void SettingsWindow::buildCurrentTab()
{
    switch (currentTab_) {
    case 0: buildGeneral(); break;
    case 1: buildHotkeyTab(); break;
    case 2: buildScreenTab(); break;
    case 3: buildTriggerTab(); break;
    case 4: buildLanguageTab(); break;
    default: buildAbout(); break;
    }
}

std::optional<double> SettingsWindow::lowestContentEdge() const
{
    std::optional<double> lowest;
    const double height = contentArea_->height();
    for (const auto* view : contentArea_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const double bottom = ui::viewFrame(view->geometry(), height, false).minY();
        if (!lowest || bottom < *lowest) lowest = bottom;
    }
    return lowest;
}

void SettingsWindow::rebuildContent()
{
    double trialHeight = H_ - 78;
    for (int builds = 1;; ++builds) {
        dropControlReferences();
        for (auto* view : contentArea_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) discardView(*view);
        contentArea_->resize(W, trialHeight);
        buildCurrentTab();
        const auto grown = settings::grownHeight(builds, lowestContentEdge(), trialHeight);
        if (!grown) break;
        trialHeight = *grown;
    }
    // What a builder adds straight to the content area shows with the tab; a trial build
    // that did not fit is never shown.
    for (auto* view : contentArea_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!view->testAttribute(Qt::WA_WState_ExplicitShowHide)) view->show();

    syncUI();
    contentScroll_->verticalScrollBar()->setValue(0);
    const auto whole = [](double value) { return std::to_string(static_cast<long long>(value)); };
    Diag::log("设置页[" + L10n::t(tabs()[currentTab_].title) + "] 窗口高=" + whole(H_) + " 可视高=" +
              whole(contentScroll_->maximumViewportSize().height()) + " 文档高=" + whole(contentArea_->height()));
}

void SettingsWindow::syncUI()
{
    using namespace defaults::setting;
    if (launchSwitch_) settings::setSwitch(*launchSwitch_, settings::loginItemOn());
    if (previewSwitch_) settings::setSwitch(*previewSwitch_, hoverPreviewEnabled.value());
    const double scale = hoverPreviewScale.value();
    if (scaleSlider_) setSliderValue(*scaleSlider_, scale);
    if (scaleValue_) setText(*scaleValue_, settings::multiplierLabel(scale));
    // Shown as the mini windows use it: a stored value beyond the range is clamped there.
    const double size = panels::PanelDefaults::defaultSizeMultiplier();
    if (sizeSlider_) setSliderValue(*sizeSlider_, size);
    if (sizeValue_) setText(*sizeValue_, settings::multiplierLabel(size));
    const double delay = hoverPreviewDelay.value();
    if (hoverDelaySliderRef_) setSliderValue(*hoverDelaySliderRef_, delay);
    if (hoverDelayValueRef_) setText(*hoverDelayValueRef_, settings::secondsLabel(delay));
    if (hoverDelayRow_ && hoverDelayRow_->titleLabel)
        setText(*hoverDelayRow_->titleLabel, settings::hoverDelayTitle(delay));
    if (doubleClickSwitch_) settings::setSwitch(*doubleClickSwitch_, pipDoubleClickOpensOriginal.value());
    if (windowCornerPopup_)
        settings::selectItem(*windowCornerPopup_, static_cast<int>(panels::PanelDefaults::corner()));
    if (menuThumbsSwitch_) settings::setSwitch(*menuThumbsSwitch_, MenuThumbnail::enabled());
    const auto theme = app::currentHoverTriggerTheme();
    if (themePopup_) settings::selectItem(*themePopup_, static_cast<int>(theme));
    if (themePreview_) {
        themePreview_->theme = theme;
        themePreview_->update();
    }
    if (languagePopup_) settings::selectItem(*languagePopup_, static_cast<int>(AppLang::current()));
    // Any stored choice but the first screen means the source's screen, item 1.
    if (screenPopup_) settings::selectItem(*screenPopup_, pipDefaultScreen.stored() == 0 ? 0 : 1);
    const double opacity = panels::PanelDefaults::opacity();
    if (opacitySlider_) setSliderValue(*opacitySlider_, opacity);
    if (opacityValue_) setText(*opacityValue_, settings::percentLabel(opacity));
    refreshHotkeyButtons();
}
