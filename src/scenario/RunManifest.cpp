#include "scenario/RunManifest.h"

#include "scenario/ConfinedFolder.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace scenario {
namespace {

std::vector<std::string> sortedUnique(std::vector<std::string> list)
{
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

std::optional<std::vector<std::string>> readPaths(const nlohmann::json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_array()) return std::nullopt;
    std::vector<std::string> paths;
    for (const auto& item : *found) {
        if (!item.is_string() || !isPlainRelativePath(item.get<std::string>())) return std::nullopt;
        paths.push_back(item.get<std::string>());
    }
    return paths;
}

}  // namespace

std::string RunManifest::text() const
{
    nlohmann::ordered_json manifest;
    manifest["files"] = sortedUnique(files);
    manifest["folders"] = sortedUnique(folders);
    return manifest.dump(2) + "\n";
}

std::optional<RunManifest> RunManifest::parse(const std::string& text)
{
    const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object() || json.size() != 2) return std::nullopt;
    auto files = readPaths(json, "files");
    auto folders = readPaths(json, "folders");
    if (!files || !folders) return std::nullopt;
    return RunManifest{std::move(*files), std::move(*folders)};
}

}  // namespace scenario
