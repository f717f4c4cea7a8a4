#pragma once

#include "platform/core/BundleFile.h"

#include <cstdint>
#include <optional>
#include <string>

// A downloaded package unpacked and checked, ready to be moved into place.
struct StagedBundle {
    std::string stageDir;     // a fresh 0700 folder beside the target, holding only the bundle
    std::string bundlePath;   // stageDir + "/" + the package's one "*.app" folder
    core::BundleFile info;    // its bundle.json
    std::int64_t build = -1;  // info.build as a decimal integer; -1 when it is none
    std::string keyId;        // of the key its bundle.sig verifies with
};

// Lists, unpacks and verifies the package in a fresh folder inside parentDir (the
// target's parent, so the later moves stay on one file system). Throws InstallError with
// a translated reason; after a refusal nothing of the folder is left. Blocks; any thread.
StagedBundle stagePackage(const std::string& package, const std::string& parentDir);
