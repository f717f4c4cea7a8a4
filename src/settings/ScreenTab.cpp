#include "settings/SettingsWindow.h"

#include "foundation/L10n.h"
#include "panels/rules/OverrideChoices.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/PipPanel.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/ui/Switch.h"
#include "platform/ui/SystemColors.h"
#include "settings/RowNames.h"
#include "settings/TabControls.h"

#include <QComboBox>

#include <algorithm>

void SettingsWindow::buildScreenTab()
{
    const double top = addHeader(L10n::t("屏幕"), L10n::t("小窗创建时的屏幕选择。"), contentArea_->height() - 24);

    screenPopup_ = settings::makePopup("screenPopup", {L10n::t("主屏"), L10n::t("应用所在屏幕")}, 210, 26);
    connect(screenPopup_, &QComboBox::activated, this, [this] { defaultScreenChanged(); });
    const double screenWidth = sizePopup(*screenPopup_, 210, 48);
    CardResult card =
        addCard({{"display", ui::systemColor("systemCyan"), L10n::t("小窗默认屏幕"),
                  L10n::t("新建小窗时默认放在哪块屏幕。"), screenPopup_, std::max(screenWidth + 10, 220.0), 3}},
                top);
    settings::nameRows(card.rows, {"screenRow"});

    std::vector<std::string> rates;
    for (int rate : panels::frameRateChoices) rates.push_back(std::to_string(rate) + " fps");
    frameRatePopup_ = settings::makePopup("frameRatePopup", rates, 210, 26);
    const auto current = std::find(panels::frameRateChoices.begin(), panels::frameRateChoices.end(),
                                   panels::PanelDefaults::defaultFrameRate());
    if (current != panels::frameRateChoices.end())
        settings::selectItem(*frameRatePopup_, static_cast<int>(current - panels::frameRateChoices.begin()));
    connect(frameRatePopup_, &QComboBox::activated, this, [this] { frameRateChanged(); });
    const double rateWidth = sizePopup(*frameRatePopup_, 210, 48);
    card = addCard({{"gauge", ui::systemColor("systemGreen"), L10n::t("小窗默认帧率"),
                     L10n::t("新建小窗的捕获帧率；小窗顶栏可临时单独调（帧率越低越省电）"), frameRatePopup_,
                     std::max(rateWidth + 10, 220.0), 3}},
                   card.top);
    settings::nameRows(card.rows, {"frameRateRow"});

    menuThumbsSwitch_ = settings::makeSwitch("menuThumbsSwitch");
    connect(menuThumbsSwitch_, &ui::Switch::clicked, this, [this] { menuThumbsChanged(); });
    card = addCard({{"photo.on.rectangle", ui::systemColor("systemPink"), L10n::t("菜单窗口缩略图"),
                     L10n::t("菜单栏的窗口列表显示画面缩略图，便于辨认目标窗口"), menuThumbsSwitch_, 52, 3}},
                   card.top);
    settings::nameRows(card.rows, {"menuThumbsRow"});
}

void SettingsWindow::menuThumbsChanged()
{
    if (!menuThumbsSwitch_) return;
    const bool on = menuThumbsSwitch_->isChecked();
    defaults::setting::menuWindowThumbs.write(on);
    if (!on && shellHooks().clearMenuThumbnails) shellHooks().clearMenuThumbnails();
}

void SettingsWindow::frameRateChanged()
{
    if (!frameRatePopup_) return;
    const int index = frameRatePopup_->currentIndex();
    if (index < 0 || index >= static_cast<int>(panels::frameRateChoices.size())) return;
    defaults::setting::pipFrameRate.write(panels::frameRateChoices[static_cast<std::size_t>(index)]);
    PipPanel::applyDefaultFrameRateToAll();
}

void SettingsWindow::defaultScreenChanged()
{
    if (screenPopup_ && screenPopup_->currentIndex() >= 0)
        defaults::setting::pipDefaultScreen.write(screenPopup_->currentIndex());
}
