#pragma once

#include <optional>
#include <string>

// What the update rules and the support texts need to know of the system they run on.
// Any thread.
namespace core {

// Compared as major, then minor, then patch.
struct OsVersion {
    long major = 0;
    long minor = 0;
    long patch = 0;

    auto operator<=>(const OsVersion&) const = default;
};

struct SystemInfo {
    std::optional<OsVersion> osVersion;  // none: unknown, which never counts as too old
    std::string osName;                  // "Ubuntu"
    std::string architecture;            // "x86_64"
    std::optional<std::string> machineIdentifier;

    bool operator==(const SystemInfo&) const = default;
};

// Where the facts are read from; tests point these elsewhere.
struct SystemInfoSources {
    std::string osRelease = "/etc/os-release";
    std::string osReleaseFallback = "/usr/lib/os-release";
    std::string machineId = "/etc/machine-id";
};

// Read afresh from the sources (the architecture from the kernel).
SystemInfo readSystemInfo(const SystemInfoSources& sources = {});

// os-release's ID and VERSION_ID, as a distribution names itself: "debian 12"; the ID alone
// on a rolling release ("arch"), "linux" when the release names none.
std::string readDistribution(const SystemInfoSources& sources = {});

// The override when one is set, else readSystemInfo().
SystemInfo systemInfo();

// From now on systemInfo() answers this (the simulated desktop's system); none: the real one.
void setSystemInfoOverride(std::optional<SystemInfo> info);

// An os-release VERSION_ID such as "24.04", "12" or "3.19.1": one to three decimal numbers.
std::optional<OsVersion> parseOsVersion(const std::string& text);

}  // namespace core
