#pragma once

#include <optional>
#include <string>

namespace core {

// Who this process is: the values an installed bundle carries.
struct AppIdentity {
    std::string name;
    std::string bundleIdentifier;
    std::string version;     // the short version string, e.g. "1.0.0"
    std::string build;       // the build number, e.g. "1"
    std::string bundlePath;  // the folder holding bundle.json; the executable's folder without one
    bool installed = false;  // whether a bundle.json was found; false for a copy run from its build folder
    int pid = 0;

    // The override when one is set, else the identity of the running executable.
    static const AppIdentity& current();
    // The identity of a copy run from this executable. When the executable's folder's
    // parent holds a bundle.json, that folder is the bundle and its version and build
    // are the file's (empty when absent); elsewhere (the build tree) the executable's
    // folder with the compiled-in values.
    static AppIdentity resolve(const std::string& executablePath);
    // From now on current() answers this (a scenario's copy); none: the process's own.
    // Set only while nothing reads it (before a run's launch, after its end).
    static void setOverride(std::optional<AppIdentity> identity);

    // "Glimra 1.0.0 (build 1) com.glimra.app"
    std::string versionLine() const;
};

}  // namespace core
