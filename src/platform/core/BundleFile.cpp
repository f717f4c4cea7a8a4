#include "platform/core/BundleFile.h"

#include "platform/core/FileContents.h"

#include <nlohmann/json.hpp>

namespace core {

std::optional<BundleFile> readBundleFile(const std::string& bundleFolder)
{
    const auto text = fileContents(bundleFolder + "/bundle.json").bytes;
    if (!text) return std::nullopt;
    const nlohmann::json json = nlohmann::json::parse(*text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) return std::nullopt;
    const auto member = [&](const char* name) -> std::optional<std::string> {
        const auto it = json.find(name);
        if (it == json.end() || !it->is_string()) return std::nullopt;
        return it->get<std::string>();
    };
    return BundleFile{member("identifier"), member("version"), member("build"), member("executable")};
}

}  // namespace core
