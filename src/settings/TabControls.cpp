#include "settings/TabControls.h"

#include "platform/desktop/Desktop.h"
#include "platform/ui/Switch.h"

#include <QComboBox>

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

bool loginItemOn()
{
    using Status = desktop::LoginItem::Status;
    const Status status = desktop::loginItem().status();
    return status == Status::enabled || status == Status::requiresApproval;
}

}  // namespace settings
