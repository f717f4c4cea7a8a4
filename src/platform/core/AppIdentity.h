#pragma once

#include <string>

namespace core {

// Who this process is: the values an installed bundle would carry.
struct AppIdentity {
    std::string name;
    std::string bundleIdentifier;
    std::string version;     // the short version string, e.g. "1.0.0"
    std::string build;       // the build number, e.g. "1"
    std::string bundlePath;  // the folder holding the executable
    int pid = 0;

    static const AppIdentity& current();
    // "Glimra 1.0.0 (build 1) com.glimra.app"
    std::string versionLine() const;
};

}  // namespace core
