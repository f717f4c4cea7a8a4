#include "update/CrashReportFolder.h"

#include "platform/core/Paths.h"

#include <algorithm>
#include <sys/stat.h>

namespace CrashReportFolder {

bool isReportName(const std::string& fileName)
{
    std::string lower = fileName.substr(0, 6);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "glimra" && (fileName.ends_with(".crash") || fileName.ends_with(".ips"));
}

core::OwnFolder open()
{
    const auto base = core::paths::dataHome();
    if (!base) return {};
    return core::OwnFolder::open(*base, below, core::OwnFolder::Missing::fail);
}

std::optional<std::vector<std::string>> list(const core::OwnFolder& folder)
{
    if (!folder) return std::nullopt;
    std::vector<std::string> names;
    for (auto& name : folder.names())
        if (!name.starts_with(".")) names.push_back(std::move(name));
    // Names carry their time, so this is the order the crashes happened in.
    std::sort(names.begin(), names.end());
    return names;
}

void keepNewest(const core::OwnFolder& folder, std::size_t keep)
{
    const auto names = list(folder);
    if (!names) return;
    std::vector<std::pair<std::pair<long long, long long>, std::string>> reports;
    for (const auto& name : *names) {
        const auto status = folder.status(name);
        if (!isReportName(name) || !status || !S_ISREG(status->st_mode)) continue;
        reports.push_back({{status->st_mtim.tv_sec, status->st_mtim.tv_nsec}, name});
    }
    if (reports.size() <= keep) return;
    std::sort(reports.begin(), reports.end(), std::greater<>());
    for (std::size_t i = keep; i < reports.size(); ++i) folder.remove(reports[i].second);
}

}  // namespace CrashReportFolder
