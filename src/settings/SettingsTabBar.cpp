#include "settings/SettingsWindow.h"

#include "foundation/L10n.h"
#include "platform/ui/Coordinates.h"
#include "settings/SettingsTabItem.h"
#include "settings/WindowGeometry.h"

void SettingsWindow::rebuildTabBar()
{
    for (const auto& item : tabItems_)
        if (item) discardView(*item);
    tabItems_.clear();

    const auto& list = tabs();
    const int count = static_cast<int>(list.size());
    for (int i = 0; i < count; ++i) {
        auto* item = new SettingsTabItem(list[i].symbol, QString::fromStdString(L10n::t(list[i].title)), tabBar_);
        item->setObjectName(QStringLiteral("tab%1").arg(i));
        item->setGeometry(ui::viewGeometry(settings::tabItemFrame(i, count, W), tabBar_->height(), false));
        item->onClick = [window = QPointer<SettingsWindow>(this), i] {
            if (window) window->selectTab(i);
        };
        item->isSelected = i == currentTab_;
        item->apply();
        item->show();
        tabItems_.emplace_back(item);
    }
}

void SettingsWindow::selectTab(int index)
{
    currentTab_ = index;
    setTitle(L10n::t(tabs()[index].title));
    for (std::size_t i = 0; i < tabItems_.size(); ++i) {
        if (!tabItems_[i]) continue;
        tabItems_[i]->isSelected = static_cast<int>(i) == index;
        tabItems_[i]->apply();
    }
    rebuildContent();
}
