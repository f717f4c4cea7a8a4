#pragma once

#include <initializer_list>
#include <vector>

class SettingsRowView;

namespace settings {

// Names a card's row views in order ("launchRow" ...), so that their labels can be found
// as "settings.launchRow.title". Extra names are ignored.
void nameRows(const std::vector<SettingsRowView*>& rows, std::initializer_list<const char*> names);

}  // namespace settings
