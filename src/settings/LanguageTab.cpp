#include "settings/SettingsWindow.h"

#include "foundation/L10n.h"
#include "platform/defaults/SettingsTable.h"
#include "platform/ui/SystemColors.h"
#include "settings/SettingsLayout.h"

#include <QComboBox>

#include <algorithm>

void SettingsWindow::buildLanguageTab()
{
    double top = addHeader(L10n::t("语言"), L10n::t("界面显示语言，切换后立即生效。"), contentArea_->height() - 24);

    // The items follow AppLang's raw values; each language is named in itself.
    auto* popup = new QComboBox();
    popup->setObjectName("languagePopup");
    popup->setFont(ui::font(settings::fonts::popup));
    popup->addItem(QString::fromStdString(L10n::t("跟随系统")));
    for (const char* name : {"简体中文", "English", "日本語", "한국어", "Français", "Deutsch", "Español", "繁體中文"})
        popup->addItem(QString::fromUtf8(name));
    popup->setGeometry(0, 0, 170, 26);
    connect(popup, &QComboBox::activated, this, [this] { languageChanged(); });
    languagePopup_ = popup;
    const double width = sizePopup(*popup, 170, 52);

    const auto card =
        addCard({{"globe", ui::systemColor("systemIndigo"), L10n::t("显示语言"),
                  L10n::t("选择“跟随系统”时自动匹配 macOS 的语言。"), popup, std::max(width + 10, 180.0), 3}},
                top);
    card.rows.front()->setObjectName("languageRow");
}

void SettingsWindow::languageChanged()
{
    if (!languagePopup_) return;
    defaults::setting::appLanguage.write(languagePopup_->currentIndex());
    if (shellHooks().rebuildMenu) shellHooks().rebuildMenu(false);
    rebuildTabBar();
    rebuildContent();
    setTitle(L10n::t(tabs()[currentTab_].title));
}
