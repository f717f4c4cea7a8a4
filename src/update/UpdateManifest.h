#pragma once

#include <string>

// The update on offer.
struct UpdateManifest {
    std::string shortVersion;  // "1.2.0"
    int build = 0;

    bool operator==(const UpdateManifest&) const = default;
};
