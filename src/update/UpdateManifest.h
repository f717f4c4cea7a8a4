#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The newest published build, as the update server describes it. Each field is read from
// the JSON key of the same name; an optional field is none when its key is missing or null.
// The braces let callers name only the version and build without a warning.
struct UpdateManifest {
    std::string shortVersion;  // "1.2.0"
    std::int64_t build = 0;
    std::string url{};  // of the package
    std::optional<std::string> notes{};
    std::optional<std::string> notesURL{};
    std::optional<bool> critical{};
    std::optional<std::int64_t> minBuild{};
    std::optional<std::string> minSystemVersion{};  // "13.0" or "13.4.2"
    std::optional<std::int64_t> rolloutPercent{};
    std::optional<std::string> rolloutSalt{};
    std::optional<std::string> sha256{};  // of the package, hexadecimal

    bool operator==(const UpdateManifest&) const = default;
};
