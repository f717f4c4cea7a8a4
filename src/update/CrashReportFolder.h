#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The folder where this application's crash reports are written and read.
namespace CrashReportFolder {

// Application Support/CrashReports; none without a data folder.
std::optional<std::string> path();

// A report of this application: the name lower-cased begins "glimra" and, as written,
// ends ".crash" or ".ips".
bool isReportName(const std::string& fileName);

// The names of the folder's visible entries, sorted; none when it cannot be listed.
std::optional<std::vector<std::string>> list(const std::string& folder);

// Removes all but the newest `keep` reports (by modification time).
void keepNewest(const std::string& folder, std::size_t keep);

}  // namespace CrashReportFolder
