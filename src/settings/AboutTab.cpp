#include "settings/SettingsWindow.h"

#include "foundation/L10n.h"
#include "platform/core/AppIdentity.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/desktop/Desktop.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/LiteralText.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/UiFont.h"
#include "settings/AboutVersion.h"
#include "settings/guide/OnboardingWindow.h"
#include "settings/RowNames.h"
#include "settings/SettingsLayout.h"
#include "update/AppUpdate.h"
#include "update/HelpCenter.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace {

const char* const websiteAddress = "https://glimra.app";
constexpr int aboutTab = 5;

QPushButton* makeRowButton(const char* name, const std::string& title)
{
    auto* button = new QPushButton(ui::literalText(title));
    button->setObjectName(name);
    button->setFont(ui::font(settings::fonts::inlineButton));
    button->resize(static_cast<int>(SettingsWindow::buttonWidth(title)), 28);
    return button;
}

QPushButton* makeWebsiteLink()
{
    auto* link = new QPushButton(websiteAddress);
    link->setObjectName("websiteLink");
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    QFont font = ui::font({13, ui::FontSpec::Weight::regular});
    font.setUnderline(true);
    link->setFont(font);
    link->setStyleSheet(QString("QPushButton { border: none; color: %1; }").arg(ui::systemColor("link").name()));
    return link;
}

}  // namespace

void SettingsWindow::buildAbout()
{
    if (!followsUpdateChecks_) {
        followsUpdateChecks_ = true;
        AppUpdate::addObserver([window = QPointer<SettingsWindow>(this)] {
            if (window && window->checkButton_) window->checkButton_->setEnabled(!AppUpdate::isChecking());
        });
    }

    const double height = contentArea_->height();
    auto* title = new QLabel("Glimra", contentArea_);
    title->setObjectName("productTitle");
    title->setTextFormat(Qt::PlainText);
    title->setFont(ui::font({24, ui::FontSpec::Weight::bold}));
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(ui::viewGeometry({0, height - 34, W, 32}, height, false));

    QPushButton* link = makeWebsiteLink();
    link->setParent(contentArea_);
    link->setGeometry(ui::viewGeometry({36, height - 60, 648, 20}, height, false));
    connect(link, &QPushButton::clicked, this, [this] { openWebsite(); });

    const std::optional<UpdateManifest> offered = AppUpdate::available();
    checkButton_ = makeRowButton("checkButton", L10n::t("检查更新"));
    // Another caller's check may be running; the observer enables the button when it ends.
    checkButton_->setEnabled(!AppUpdate::isChecking());
    connect(checkButton_, &QPushButton::clicked, this, [this] { checkForUpdates(); });
    QPushButton* replay = makeRowButton("replayButton", L10n::t("重新观看"));
    connect(replay, &QPushButton::clicked, this, [this] { replayOnboarding(); });
    QPushButton* help = makeRowButton("helpButton", L10n::t("打开"));
    connect(help, &QPushButton::clicked, this, [this] { openHelpCenter(); });
    QPushButton* copy = makeRowButton("copyButton", L10n::t("复制"));
    connect(copy, &QPushButton::clicked, this, [this] { copyDiagnosticsFromSettings(); });

    auto row = [](const char* icon, const char* tint, std::string rowTitle, std::string subtitle, QPushButton* button) {
        return SettingsRow{
            icon, ui::systemColor(tint), std::move(rowTitle), std::move(subtitle), button, button->width() + 10.0, 3};
    };
    const CardResult card =
        addCard({row("app.badge", "systemGray", settings::versionRowTitle(offered),
                     settings::versionLine(core::AppIdentity::current(), offered), checkButton_),
                 row("graduationcap", "systemGreen", L10n::t("使用引导"),
                     L10n::t("重新播放五步动画引导（创建小窗 / 预览 / 交互 / 打开原应用 / 调整大小）"), replay),
                 row("bubble.left.and.bubble.right", "systemBlue", L10n::t("帮助与反馈"),
                     L10n::t("遇到问题或想提建议？打开支持页面"), help),
                 row("doc.on.clipboard", "systemOrange", L10n::t("复制诊断信息"),
                     L10n::t("版本、系统与最近日志，粘贴到反馈里"), copy)},
                height - 84);
    settings::nameRows(card.rows, {"versionRow", "guideRow", "helpRow", "diagnosticsRow"});
    if (desktop::permissions().hasGrants())
        addFootnote(L10n::t("屏幕录制与辅助功能权限在首次使用时由系统弹窗申请。"), card.top);
}

void SettingsWindow::openWebsite()
{
    const QUrl url(websiteAddress, QUrl::StrictMode);
    if (url.isValid()) desktop::urlOpener().open(websiteAddress);
}

void SettingsWindow::checkForUpdates()
{
    if (checkButton_) checkButton_->setEnabled(false);
    if (AppUpdate::isChecking()) return;
    AppUpdate::checkManually([window = QPointer<SettingsWindow>(this)] {
        if (!window) return;
        if (window->isOpen_ && window->currentTab_ == aboutTab) window->rebuildContent();
        if (window->checkButton_) window->checkButton_->setEnabled(!AppUpdate::isChecking());
    });
}

void SettingsWindow::openHelpCenter() { HelpCenter::openContact(); }

void SettingsWindow::copyDiagnosticsFromSettings() { HelpCenter::copyDiagnostics(); }

void SettingsWindow::replayOnboarding()
{
    defaults::setting::onboardingCompleted.remove();
    close();
    OnboardingWindow::showIfNeeded();
}
