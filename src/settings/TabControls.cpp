#include "settings/TabControls.h"

#include "platform/desktop/Desktop.h"
#include "platform/ui/Switch.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace settings {

ui::Switch* makeSwitch(const char* name)
{
    auto* control = new ui::Switch;
    control->setObjectName(name);
    control->resize(control->sizeHint());
    return control;
}

QComboBox* makePopup(const char* name, const std::vector<std::string>& items, int width, int height)
{
    auto* popup = new QComboBox;
    popup->setObjectName(name);
    for (const std::string& item : items) popup->addItem(QString::fromStdString(item));
    popup->resize(width, height);
    return popup;
}

void setSwitch(ui::Switch& control, bool on)
{
    const QSignalBlocker blocker(control);
    control.setChecked(on);
}

void selectItem(QComboBox& popup, int index)
{
    const QSignalBlocker blocker(popup);
    popup.setCurrentIndex(index);
}

bool loginItemOn()
{
    using Status = desktop::LoginItem::Status;
    const Status status = desktop::loginItem().status();
    return status == Status::enabled || status == Status::requiresApproval;
}

}  // namespace settings
