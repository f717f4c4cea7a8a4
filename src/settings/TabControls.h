#pragma once

#include <string>
#include <vector>

class QComboBox;
namespace ui {
class Switch;
}

// The controls the tabs put into their rows, named for the scenario runner and sized
// as the rows expect; the builder connects their actions.
namespace settings {

// Off, 40 x 26.
ui::Switch* makeSwitch(const char* name);
// The items as given (already translated where they are), the first selected.
QComboBox* makePopup(const char* name, const std::vector<std::string>& items, int width, int height);

// Set a control as the store says without running its action.
void setSwitch(ui::Switch& control, bool on);
void selectItem(QComboBox& popup, int index);

// What the login switch shows: the system's login item enabled or awaiting approval.
bool loginItemOn();

}  // namespace settings
