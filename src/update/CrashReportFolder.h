#pragma once

#include "platform/core/OwnFolder.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// The folder where this application's crash reports are written and read.
namespace CrashReportFolder {

// Where the folder lies in the data folder.
inline constexpr const char* below = "Glimra/CrashReports";

// A report of this application: the name lower-cased begins "glimra" and, as written,
// ends ".crash" or ".ips".
bool isReportName(const std::string& fileName);

// The folder itself, reached without links; not open when it is missing or is a link.
core::OwnFolder open();

// The names of the folder's visible entries, sorted; none when it cannot be listed.
std::optional<std::vector<std::string>> list(const core::OwnFolder& folder);

// Removes all but the newest `keep` reports (by modification time); links are not reports.
void keepNewest(const core::OwnFolder& folder, std::size_t keep);

}  // namespace CrashReportFolder
