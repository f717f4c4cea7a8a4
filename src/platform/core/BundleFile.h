#pragma once

#include <optional>
#include <string>

namespace core {

// The "bundle.json" an installed copy carries beside its "bin" folder. A member that is
// absent or not a string is none.
struct BundleFile {
    std::optional<std::string> identifier;
    std::optional<std::string> version;
    std::optional<std::string> build;
    std::optional<std::string> executable;  // relative to the bundle folder

    bool operator==(const BundleFile&) const = default;
};

// The bundle.json of the folder; none when it is missing, unreadable or not a JSON object.
std::optional<BundleFile> readBundleFile(const std::string& bundleFolder);

}  // namespace core
