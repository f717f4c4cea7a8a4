#include "settings/SettingsWindow.h"

#include "foundation/L10n.h"
#include "foundation/LaunchAtLogin.h"
#include "panels/rules/PanelDefaults.h"
#include "panels/PipPanel.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/AlertPresenter.h"
#include "platform/ui/Switch.h"
#include "platform/ui/SystemColors.h"
#include "settings/RowNames.h"
#include "settings/SettingsLayout.h"
#include "settings/SliderGroup.h"
#include "settings/SliderTicks.h"
#include "settings/TabControls.h"
#include "settings/ValueLabels.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

namespace {

constexpr double sliderControlWidth = 250;
constexpr double switchControlWidth = 52;

SliderGroup measuredSlider(const std::string& name, double minimum, double maximum, double value,
                           const std::string& valueText, const char* minText, const char* defaultText,
                           const char* maxText, double defaultValue)
{
    const auto ticks =
        settings::measuredTicks(settings::qtTextMeasurer(), L10n::t(minText),
                                defaultText ? std::optional<std::string>(L10n::t(defaultText)) : std::nullopt,
                                L10n::t(maxText), minimum, maximum, defaultValue);
    return makeSliderGroup(name, minimum, maximum, value, valueText, ticks);
}

}  // namespace

void SettingsWindow::buildGeneral()
{
    double top = contentArea_->height() - 24;

    top = addSectionTitle(L10n::t("应用"), top);
    launchSwitch_ = settings::makeSwitch("launchSwitch");
    connect(launchSwitch_, &ui::Switch::clicked, this, [this] { launchAtLoginChanged(); });
    CardResult card = addCard({{"power", ui::systemColor("systemGreen"), L10n::t("开机启动"),
                                L10n::t("登录 Mac 后自动启动，并常驻菜单栏"), launchSwitch_, switchControlWidth, 3}},
                              top);
    settings::nameRows(card.rows, {"launchRow"});
    top = card.top;

    top = addSectionTitle(L10n::t("小窗相关设置"), top);
    const SliderGroup size =
        measuredSlider("size", 0.5, 4.0, 1.2, settings::multiplierLabel(1.2), "小", "(默认)", "大", 1.2);
    sizeSlider_ = size.slider;
    sizeValue_ = size.value;
    connect(sizeSlider_, &QSlider::valueChanged, this, [this] { sizeMultiplierChanged(); });

    doubleClickSwitch_ = settings::makeSwitch("doubleClickSwitch");
    connect(doubleClickSwitch_, &ui::Switch::clicked, this, [this] { doubleClickChanged(); });

    const double opacity = panels::PanelDefaults::opacity();
    const SliderGroup opacityGroup =
        measuredSlider("opacity", 0.1, 1.0, opacity, settings::percentLabel(opacity), "透明", nullptr, "不透明", 1.0);
    opacitySlider_ = opacityGroup.slider;
    opacityValue_ = opacityGroup.value;
    connect(opacitySlider_, &QSlider::valueChanged, this, [this] { opacityChanged(); });

    windowCornerPopup_ = settings::makePopup(
        "windowCornerPopup", {L10n::t("右上"), L10n::t("右下"), L10n::t("左上"), L10n::t("左下")}, 210, 26);
    const double cornerWidth = sizePopup(*windowCornerPopup_, 210, 48);
    connect(windowCornerPopup_, &QComboBox::activated, this, [this] { windowCornerChanged(); });

    card = addCard(
        {{"macwindow", ui::systemColor("systemTeal"), L10n::t("默认大小倍数"),
          L10n::t("新建小窗的默认尺寸（基准 320×201，默认 1.2×）"), size.view, sliderControlWidth, 3},
         {"cursorarrow.click.2", ui::systemColor("systemOrange"), L10n::t("双击小窗"),
          L10n::t("双击小窗时打开原应用，并关闭该小窗"), doubleClickSwitch_, switchControlWidth, 3},
         {"circle.lefthalf.filled", ui::systemColor("systemIndigo"), L10n::t("小窗透明度"),
          L10n::t("小窗画面的不透明度（默认 100%，悬停时恢复不透明）"), opacityGroup.view, sliderControlWidth, 3},
         {"rectangle.3.group", ui::systemColor("systemBrown"), L10n::t("小窗摆放位置"),
          L10n::t("新增小窗排在哪个角；一列放不下时自动往另一侧扩展"), windowCornerPopup_,
          std::max(cornerWidth + 10, 220.0), 3}},
        top);
    settings::nameRows(card.rows, {"sizeRow", "doubleClickRow", "opacityRow", "windowCornerRow"});
    top = card.top;

    top = addSectionTitle(L10n::t("预览相关设置"), top);
    previewSwitch_ = settings::makeSwitch("previewSwitch");
    connect(previewSwitch_, &ui::Switch::clicked, this, [this] { togglePreview(); });

    const double delay = defaults::setting::hoverPreviewDelay.unclamped();
    const SliderGroup delayGroup =
        makeSliderGroup("hoverDelay", 0, 1, delay, settings::secondsLabel(delay),
                        settings::delayTicks(settings::qtTextMeasurer(), "0", L10n::t("(默认)"), L10n::t("1 秒")));
    hoverDelaySliderRef_ = delayGroup.slider;
    hoverDelayValueRef_ = delayGroup.value;
    connect(hoverDelaySliderRef_, &QSlider::valueChanged, this, [this] { hoverDelayChanged(); });

    const SliderGroup scale =
        measuredSlider("scale", 1.0, 4.0, 3.0, settings::multiplierLabel(3.0), "小", "(默认)", "大", 3.0);
    scaleSlider_ = scale.slider;
    scaleValue_ = scale.value;
    connect(scaleSlider_, &QSlider::valueChanged, this, [this] { scaleChanged(); });

    card = addCard(
        {{"eye", ui::systemColor("systemBlue"), L10n::t("悬浮预览"), L10n::t("鼠标悬停小窗时弹出放大预览，移开即消失"),
          previewSwitch_, switchControlWidth, 3},
         {"timer", ui::systemColor("systemOrange"), settings::hoverDelayTitle(delay),
          L10n::t("超过该时长未移开才弹出预览（范围 0–1 秒，默认 0.5）"), delayGroup.view, sliderControlWidth, 3},
         {"arrow.up.left.and.arrow.down.right", ui::systemColor("systemPurple"), L10n::t("预览倍数"),
          L10n::t("预览相对小窗的放大倍数（默认 3.0×）"), scale.view, sliderControlWidth, 3}},
        top);
    settings::nameRows(card.rows, {"previewRow", "hoverDelayRow", "scaleRow"});
    if (card.rows.size() > 1) hoverDelayRow_ = card.rows[1];

    addFootnote(
        L10n::t("提示：预览尺寸 = 小窗尺寸 × 倍数，超过屏幕可视区会自动收缩。\n"
                "小窗左上角：✕ 关闭 · ↗ 打开原应用，其后三枚徽章为「大小 / 帧率 / 透明度」，点开只对本窗临时调整。"),
        card.top);
}

void SettingsWindow::togglePreview()
{
    if (previewSwitch_) defaults::setting::hoverPreviewEnabled.write(previewSwitch_->isChecked());
}

void SettingsWindow::windowCornerChanged()
{
    if (!windowCornerPopup_) return;
    const int corner = windowCornerPopup_->currentIndex();
    if (corner < 0 || corner > 3) return;
    defaults::setting::pipWindowCorner.write(corner);
    PipPanel::tileAll();
}

void SettingsWindow::launchAtLoginChanged()
{
    if (!launchSwitch_) return;
    if (LaunchAtLogin::setEnabled(launchSwitch_->isChecked())) return;
    launchSwitch_->setChecked(settings::loginItemOn());
    // A copy that can never start at login says so: no setting the user could change helps.
    const std::string advice =
        desktop::loginItem().registrationRefusal()
            ? L10n::t("这个副本是从构建文件夹运行的，不能开机启动；安装后的副本可以开机启动。")
            : L10n::t("请在 系统设置 → 通用 → 登录项 中允许 Glimra，或确认 Glimra 位于「应用程序」文件夹后重试。");
    ui::AlertPresenter::shared().runModal(ui::Alert{L10n::t("无法设置开机启动"), advice, {}, ui::AlertStyle::warning});
}

void SettingsWindow::opacityChanged()
{
    if (!opacitySlider_) return;
    const double snapped = settings::snap(sliderValue(*opacitySlider_), 20);
    setSliderValue(*opacitySlider_, snapped);
    defaults::setting::pipOpacity.write(snapped);
    if (opacityValue_) opacityValue_->setText(QString::fromStdString(settings::percentLabel(snapped)));
    PipPanel::applyOpacityToAll();
}

void SettingsWindow::hoverDelayChanged()
{
    if (!hoverDelaySliderRef_ || !hoverDelayValueRef_ || !hoverDelayRow_) return;
    const double snapped = settings::snap(sliderValue(*hoverDelaySliderRef_), 10);
    setSliderValue(*hoverDelaySliderRef_, snapped);
    defaults::setting::hoverPreviewDelay.write(snapped);
    hoverDelayValueRef_->setText(QString::fromStdString(settings::secondsLabel(snapped)));
    if (hoverDelayRow_->titleLabel)
        hoverDelayRow_->titleLabel->setText(QString::fromStdString(settings::hoverDelayTitle(snapped)));
}

void SettingsWindow::scaleChanged()
{
    if (!scaleSlider_) return;
    const double snapped = settings::snap(sliderValue(*scaleSlider_), 10);
    setSliderValue(*scaleSlider_, snapped);
    defaults::setting::hoverPreviewScale.write(snapped);
    if (scaleValue_) scaleValue_->setText(QString::fromStdString(settings::multiplierLabel(snapped)));
}

void SettingsWindow::sizeMultiplierChanged()
{
    if (!sizeSlider_) return;
    const double snapped = settings::snap(sliderValue(*sizeSlider_), 10);
    setSliderValue(*sizeSlider_, snapped);
    defaults::setting::pipDefaultSizeMultiplier.write(snapped);
    if (sizeValue_) sizeValue_->setText(QString::fromStdString(settings::multiplierLabel(snapped)));
    PipPanel::applyDefaultSizeToAll();
}

void SettingsWindow::doubleClickChanged()
{
    if (doubleClickSwitch_) defaults::setting::pipDoubleClickOpensOriginal.write(doubleClickSwitch_->isChecked());
}
