#include "scenario/OutputFiles.h"

#include "support/TestEnvironment.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

namespace testsupport {

std::map<std::string, std::string> folderContents(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = readFile(entry.path().string());
    return files;
}

std::vector<std::string> differingFiles(const std::string& a, const std::string& b)
{
    const auto first = folderContents(a);
    const auto second = folderContents(b);
    std::vector<std::string> differing;
    for (const auto& [name, bytes] : first) {
        const auto other = second.find(name);
        if (other == second.end() || other->second != bytes) differing.push_back(name);
    }
    for (const auto& [name, bytes] : second)
        if (!first.count(name)) differing.push_back(name);
    return differing;
}

std::vector<std::string> logLines(const std::string& outputFolder)
{
    std::vector<std::string> lines;
    std::istringstream log(readFile(outputFolder + "/data/Glimra/diag.log"));
    // "HH:MM:SS " leads every line.
    for (std::string line; std::getline(log, line);) lines.push_back(line.size() > 9 ? line.substr(9) : line);
    return lines;
}

std::vector<nlohmann::json> journal(const std::string& outputFolder)
{
    std::vector<nlohmann::json> entries;
    std::istringstream lines(readFile(outputFolder + "/desktop.jsonl"));
    for (std::string line; std::getline(lines, line);) entries.push_back(nlohmann::json::parse(line));
    return entries;
}

bool holds(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool sameFrame(const nlohmann::json& a, const nlohmann::json& b)
{
    if (!a.is_array() || !b.is_array() || a.size() != 4 || b.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (std::abs(a[i].get<double>() - b[i].get<double>()) > 1e-9) return false;
    return true;
}

}  // namespace testsupport
