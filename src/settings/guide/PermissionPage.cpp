#include "settings/guide/OnboardingWindow.h"

#include "foundation/EventBridge.h"
#include "foundation/L10n.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/Symbols.h"
#include "platform/ui/SystemColors.h"
#include "settings/BoxView.h"
#include "settings/SettingsLayout.h"
#include "settings/guide/GuideModel.h"
#include "settings/guide/GuideViews.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace {

constexpr double pageHeight = 480;
constexpr double cardHeight = 112;
constexpr double pollInterval = 0.5;

const ui::FontSpec cardTitleFont{15, ui::FontSpec::Weight::semibold};
const ui::FontSpec subtitleFont{11.5};
const ui::FontSpec statusFont{13, ui::FontSpec::Weight::semibold};

// Height of a wrapped text, at least the given one: a longer translation grows the
// label downwards.
double wrappedHeight(const std::string& text, const ui::FontSpec& font, double width, double atLeast)
{
    return std::max(atLeast, settings::measure(settings::qtTextMeasurer(), text, font, INT_MAX, width));
}

QLabel* wrappingLabel(const std::string& text, const ui::FontSpec& font, const char* colour, const char* name,
                      QWidget* parent)
{
    QLabel* label = guide::makeLabel(text, font, colour, name, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// 90 pt centred at x 465 holds either status in most languages; a longer one widens
// about that centre as far as the button allows.
core::Rect statusFrame()
{
    const auto& measurer = settings::qtTextMeasurer();
    double widest = 0;
    for (bool granted : {true, false})
        widest = std::max(widest, measurer.width(L10n::t(guide::permissionCard(granted).status), statusFont));
    const double width = std::max(90.0, std::ceil(widest) + 6);
    return {std::min(465 - width / 2, 520 - width), 45, width, 22};
}

struct PermissionCardViews {
    QLabel* status = nullptr;
    QPushButton* button = nullptr;
};

PermissionCardViews buildCard(QWidget& page, double y, const char* name, const char* symbol, const char* tint,
                              const char* title, const char* subtitle, std::function<void()> action,
                              const char* statusName, const char* buttonName)
{
    auto* card = new BoxView(ui::systemColor("controlBackground"), 12, &page);
    card->setObjectName(name);
    card->setBorder(ui::systemColor("separator"), 1);
    guide::place(*card, {40, y, 660, cardHeight}, pageHeight);

    QColor boxTint = ui::systemColor(tint);
    boxTint.setAlphaF(0.15);
    auto* iconBox = new BoxView(boxTint, 10, card);
    guide::place(*iconBox, {20, 31, 50, 50}, cardHeight);
    auto* icon = new ui::SymbolView(symbol, ui::systemColor(tint), iconBox);
    icon->setAccessibleName(QString::fromStdString(L10n::t(title)));
    guide::place(*icon, {12, 12, 26, 26}, 50);

    QLabel* titleLabel = guide::makeLabel(L10n::t(title), cardTitleFont, "label", ".title", card);
    guide::place(*titleLabel, {86, 68, 320, 20}, cardHeight);
    // A widened status takes its room from the subtitle.
    const core::Rect status = statusFrame();
    const double subtitleWidth = std::min(336.0, status.minX() - 4 - 86);
    const std::string subtitleText = L10n::t(subtitle);
    const double subtitleHeight = wrappedHeight(subtitleText, subtitleFont, subtitleWidth, 44);
    QLabel* subtitleLabel = wrappingLabel(subtitleText, subtitleFont, "secondaryLabel", ".subtitle", card);
    guide::place(*subtitleLabel, {86, 62 - subtitleHeight, subtitleWidth, subtitleHeight}, cardHeight);

    PermissionCardViews views;
    views.status = guide::makeLabel("", statusFont, "systemRed", statusName, card);
    views.status->setAlignment(Qt::AlignCenter);
    guide::place(*views.status, status, cardHeight);
    views.button = guide::makeButton(L10n::t("去授权"), buttonName, std::move(action), card);
    guide::place(*views.button, {524, 41, 115, 30}, cardHeight);
    return views;
}

void showCard(QLabel* status, QPushButton* button, bool granted)
{
    const guide::PermissionCard card = guide::permissionCard(granted);
    if (status) {
        status->setText(QString::fromStdString(L10n::t(card.status)));
        guide::setTextColour(*status, granted ? "systemGreen" : "systemRed");
    }
    if (button) button->setEnabled(card.buttonEnabled);
}

}  // namespace

void OnboardingWindow::setupPermissionUI(QWidget& canvasView)
{
    auto* page = new QWidget(&canvasView);
    page->setObjectName("permissionPage");
    guide::place(*page, {0, 0, 740, pageHeight}, canvasView.height());
    permissionHost_ = page;

    const auto ax = buildCard(
        *page, 320, "accessibilityCard", "hand.tap", "systemGreen", "辅助功能",
        "在预览中点击与键盘操作所需；系统设置中开启后立即生效", [this] { openAXPane(); }, "axStatusLabel", "axButton");
    axStatusLabel_ = ax.status;
    axButton_ = ax.button;
    const auto screen = buildCard(
        *page, 180, "screenCard", "camera.on.rectangle", "systemBlue", "屏幕录制",
        "画面镜像所需；在系统设置中开启后需重启 Glimra 生效", [this] { requestScreenPermission(); },
        "screenStatusLabel", "screenButton");
    screenStatusLabel_ = screen.status;
    screenButton_ = screen.button;

    const std::string note = L10n::t("提示：屏幕录制在系统设置中开启后，需重启 Glimra 才能真正生效。");
    const double noteHeight = wrappedHeight(note, subtitleFont, 620, 32);
    QLabel* footnote = wrappingLabel(note, subtitleFont, "tertiaryLabel", "footnote", page);
    guide::place(*footnote, {44, 162 - noteHeight, 620, noteHeight}, pageHeight);
    page->show();

    refreshPermissionStatus();
    permissionTimer_.emplace(dispatch::main(), pollInterval, [window = QPointer<OnboardingWindow>(this)] {
        if (window) window->refreshPermissionStatus();
    });
}

void OnboardingWindow::tearDownPermissionPage()
{
    if (permissionTimer_) permissionTimer_->cancel();
    permissionTimer_.reset();
    // The labels and buttons go with the page; their guarded references read null.
    delete permissionHost_;
}

bool OnboardingWindow::permissionPollRunning() const { return permissionTimer_ && permissionTimer_->isActive(); }

void OnboardingWindow::refreshPermissionStatus()
{
    const bool screenOK = desktop::permissions().screenCapturePreflight();
    const bool axOK = desktop::accessibility().isTrusted(false);
    const guide::PermissionPoll poll = guide::pollPermissions(prevScreenOK_, prevAXOK_, screenOK, axOK);
    for (int i = 0; i < poll.systemSettingsCloses; ++i) EventBridge::closeSystemSettings();
    prevScreenOK_ = screenOK;
    prevAXOK_ = axOK;
    showCard(screenStatusLabel_, screenButton_, screenOK);
    showCard(axStatusLabel_, axButton_, axOK);
}

void OnboardingWindow::requestScreenPermission()
{
    const bool asked = defaults::setting::screenPermissionAsked.value();
    defaults::setting::screenPermissionAsked.write(true);
    if (asked)
        EventBridge::openSettingsPane(EventBridge::screenRecordingPane);
    else
        desktop::permissions().requestScreenCapture();
    // Asking for the content is what lists the application in the system's pane.
    dispatch::global().async([] { desktop::capture().shareableContent(false, true, [](auto, auto) {}); });
    refreshPermissionStatus();
}

void OnboardingWindow::openAXPane()
{
    EventBridge::openSettingsPane(EventBridge::accessibilityPane);
    refreshPermissionStatus();
}
