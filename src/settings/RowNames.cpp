#include "settings/RowNames.h"

#include "settings/SettingsRow.h"

namespace settings {

void nameRows(const std::vector<SettingsRowView*>& rows, std::initializer_list<const char*> names)
{
    auto name = names.begin();
    for (SettingsRowView* row : rows) {
        if (name == names.end()) return;
        if (row) row->setObjectName(*name);
        ++name;
    }
}

}  // namespace settings
