#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

// Every file under the folder, by relative path, with its bytes.
std::map<std::string, std::string> folderContents(const std::string& folder);
// The relative paths whose bytes differ between the folders, or that only one has.
std::vector<std::string> differingFiles(const std::string& a, const std::string& b);

}  // namespace testsupport
