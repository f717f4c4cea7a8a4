#include "update/CrashUploadLedger.h"

#include "platform/defaults/SettingsTable.h"

#include <algorithm>
#include <unordered_set>

namespace CrashUploadLedger {

std::vector<std::string> updated(const std::vector<std::string>& remembered, const std::vector<std::string>& present,
                                 const std::vector<std::string>& sent)
{
    const std::unordered_set<std::string> inFolder(present.begin(), present.end());
    std::vector<std::string> names;
    std::copy_if(remembered.begin(), remembered.end(), std::back_inserter(names),
                 [&](const std::string& name) { return inFolder.contains(name); });
    names.insert(names.end(), sent.begin(), sent.end());
    if (names.size() > capacity) names.erase(names.begin(), names.end() - static_cast<std::ptrdiff_t>(capacity));
    return names;
}

std::vector<std::string> load()
{
    std::vector<std::string> names;
    const auto stored = defaults::setting::crashReportsUploaded.stored();
    if (!stored) return names;
    for (const auto& item : *stored) {
        if (item.is_string()) names.push_back(item.get<std::string>());
    }
    return names;
}

void store(const std::vector<std::string>& names)
{
    const auto& uploaded = defaults::setting::crashReportsUploaded;
    if (names.empty() && !uploaded.isStored()) return;
    uploaded.write(names);
}

}  // namespace CrashUploadLedger
