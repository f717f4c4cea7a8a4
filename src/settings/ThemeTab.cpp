#include "settings/SettingsWindow.h"

#include "foundation/Diag.h"
#include "foundation/L10n.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Switch.h"
#include "platform/ui/SystemColors.h"
#include "settings/RowNames.h"
#include "settings/TabControls.h"
#include "settings/TriggerThemePreviewView.h"
#include "shellcore/HoverTriggerTheme.h"

#include <QComboBox>

namespace {

constexpr double hostHeight = 46;

}  // namespace

void SettingsWindow::buildTriggerTab()
{
    const double top = addHeader(L10n::t("触发块"), L10n::t("窗口右上角触发块的外观。"), contentArea_->height() - 24);

    auto* host = new QWidget;
    themePopup_ = settings::makePopup(
        "themePopup", {L10n::t("温暖橙 · 提示"), L10n::t("青绿 · 活力"), L10n::t("渐变 · 现代")}, 150, 28);
    themePopup_->setParent(host);
    themePopup_->setGeometry(ui::viewGeometry({0, 9, 150, 28}, hostHeight, false));
    const double popupWidth = sizePopup(*themePopup_, 150, 44);
    connect(themePopup_, &QComboBox::activated, this, [this] { themeChanged(); });

    themePreview_ = new TriggerThemePreviewView(host);
    themePreview_->setObjectName("themePreview");
    themePreview_->setGeometry(ui::viewGeometry({popupWidth + 24, 5, 54, 36}, hostHeight, false));
    themePreview_->theme = app::currentHoverTriggerTheme();
    themePreview_->update();
    host->resize(static_cast<int>(popupWidth + 78), static_cast<int>(hostHeight));

    ui::Switch* disabledSwitch = settings::makeSwitch("triggerDisabledSwitch");
    disabledSwitch->setChecked(defaults::setting::hoverTriggerDisabled.value());
    connect(disabledSwitch, &ui::Switch::clicked, this,
            [this, disabledSwitch] { triggerDisabledChanged(*disabledSwitch); });

    const CardResult card =
        addCard({{"paintpalette", ui::systemColor("systemPink"), L10n::t("触发块主题"),
                  L10n::t("窗口右上角悬停触发块的配色（仅色系不同）"), host, popupWidth + 78, 3},
                 {"hand.raised.slash", ui::systemColor("systemOrange"), L10n::t("关闭触发块"),
                  L10n::t("关闭后鼠标移到右上角不再出现触发块，也无法用它创建小窗"), disabledSwitch, 52, 3}},
                top);
    settings::nameRows(card.rows, {"themeRow", "triggerDisabledRow"});
    addFootnote(L10n::t("提示：鼠标移到窗口右上角停留约 1 秒出现触发块；触发块 2 秒无操作会自动隐去。"), card.top);
}

void SettingsWindow::triggerDisabledChanged(ui::Switch& sender)
{
    const bool off = sender.isChecked();
    defaults::setting::hoverTriggerDisabled.write(off);

    const ShellHooks& hooks = shellHooks();
    if (hooks.hoverTriggerEnabled && hooks.setHoverTriggerEnabled && hooks.hoverTriggerEnabled() != !off) {
        hooks.setHoverTriggerEnabled(!off);
        if (off) {
            if (hooks.stopHoverTrigger) hooks.stopHoverTrigger();
            Diag::log("触发块: 已被设置关闭 ⇒ 停止感应");
        } else {
            Diag::log("触发块: 已被设置重新开启 ⇒ 启动感应");
            if (hooks.startHoverTrigger) hooks.startHoverTrigger();
        }
    }
    Diag::log(std::string("触发块: 设置里") + (off ? "关闭" : "重新开启") + "了触发块");
}

void SettingsWindow::themeChanged()
{
    if (!themePopup_ || themePopup_->currentIndex() < 0) return;
    defaults::setting::hoverTriggerTheme.write(themePopup_->currentIndex());
    if (themePreview_) {
        themePreview_->theme = app::currentHoverTriggerTheme();
        themePreview_->update();
    }
}
