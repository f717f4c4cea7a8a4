#pragma once

#include "support/TestEnvironment.h"

#include <nlohmann/json.hpp>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace replacetest {

namespace fs = std::filesystem;

constexpr const char* identifier = "app.glimra.replacetest";
constexpr const char* executable = "bin/run";

// A bundle whose executable appends its marker to "started" two levels above itself (the
// folder holding the bundle once it is at the target) and then runs body.
inline void makeBundle(const fs::path& bundle, const std::string& marker, const std::string& body = "exit 0")
{
    testsupport::writeFile((bundle / "bundle.json").string(),
                           nlohmann::json{{"identifier", identifier}, {"executable", executable}}.dump());
    testsupport::writeFile((bundle / executable).string(),
                           "#!/bin/sh\necho " + marker + " >> \"${0%/*}/../../started\"\n" + body + "\n");
    fs::permissions(bundle / executable, fs::perms::owner_all);
    testsupport::writeFile((bundle / "marker.txt").string(), marker);
}

// Every entry under the folder with its type, mode and contents, for byte-for-byte
// comparisons.
inline std::map<std::string, std::string> snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto status = entry.symlink_status();
        std::string value = std::to_string(static_cast<int>(status.type())) + ":" +
                            std::to_string(static_cast<unsigned>(status.permissions())) + ":";
        if (status.type() == fs::file_type::regular) value += testsupport::readFile(entry.path().string());
        entries[fs::relative(entry.path(), folder).string()] = value;
    }
    return entries;
}

// Waits until the detached process has ended and been reaped; false after seconds.
inline bool waitForExit(int pid, double seconds = 5)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (::kill(pid, 0) == 0 || errno != ESRCH) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace replacetest
