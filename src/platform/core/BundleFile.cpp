#include "platform/core/BundleFile.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>

namespace core {

std::optional<BundleFile> readBundleFile(const std::string& bundleFolder)
{
    std::ifstream in(bundleFolder + "/bundle.json", std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!json.is_object()) return std::nullopt;
    const auto member = [&](const char* name) -> std::optional<std::string> {
        const auto it = json.find(name);
        if (it == json.end() || !it->is_string()) return std::nullopt;
        return it->get<std::string>();
    };
    return BundleFile{member("identifier"), member("version"), member("build"), member("executable")};
}

}  // namespace core
