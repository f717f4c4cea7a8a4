#pragma once

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

namespace testsupport {

// Every file under the folder, by relative path, with its bytes.
std::map<std::string, std::string> folderContents(const std::string& folder);
// The relative paths whose bytes differ between the folders, or that only one has.
std::vector<std::string> differingFiles(const std::string& a, const std::string& b);

// The lines of a run's log (DIR/data/Glimra/diag.log) without their time stamps.
std::vector<std::string> logLines(const std::string& outputFolder);
// Whether the log lines hold that line.
bool holds(const std::vector<std::string>& lines, const std::string& line);
// Two frames [x, y, w, h] of a state dump that differ by rounding at most (a frame that
// went through screen coordinates and back).
bool sameFrame(const nlohmann::json& a, const nlohmann::json& b);

// The objects of a run's desktop journal (DIR/desktop.jsonl), in order.
std::vector<nlohmann::json> journal(const std::string& outputFolder);

}  // namespace testsupport
