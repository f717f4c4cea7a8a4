#include "update/CrashReportFolder.h"

#include "platform/core/Paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace CrashReportFolder {

std::optional<std::string> path()
{
    const auto support = core::paths::applicationSupport();
    if (!support) return std::nullopt;
    return *support + "/CrashReports";
}

bool isReportName(const std::string& fileName)
{
    std::string lower = fileName.substr(0, 6);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "glimra" && (fileName.ends_with(".crash") || fileName.ends_with(".ips"));
}

std::optional<std::vector<std::string>> list(const std::string& folder)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        std::string name = entry.path().filename().string();
        if (!name.starts_with(".")) names.push_back(std::move(name));
    }
    // Names carry their time, so this is the order the crashes happened in.
    std::sort(names.begin(), names.end());
    return names;
}

void keepNewest(const std::string& folder, std::size_t keep)
{
    const auto names = list(folder);
    if (!names) return;
    std::vector<std::pair<fs::file_time_type, std::string>> reports;
    for (const auto& name : *names) {
        std::error_code error;
        const fs::path file = fs::path(folder) / name;
        if (!isReportName(name) || !fs::is_regular_file(fs::symlink_status(file, error))) continue;
        const auto modified = fs::last_write_time(file, error);
        if (!error) reports.emplace_back(modified, name);
    }
    if (reports.size() <= keep) return;
    std::sort(reports.begin(), reports.end(), std::greater<>());
    for (std::size_t i = keep; i < reports.size(); ++i) {
        std::error_code error;
        fs::remove(fs::path(folder) / reports[i].second, error);
    }
}

}  // namespace CrashReportFolder
