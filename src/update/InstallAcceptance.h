#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Why a staged bundle may not replace the running one.
struct InstallReject {
    enum class Check { bundle, build, unsignedBundle, team };
    Check check = Check::bundle;
    std::optional<std::string> candidateBundle;  // bundle
    std::optional<std::string> candidateTeam;    // team
    std::optional<std::string> expectedTeam;     // team

    bool operator==(const InstallReject&) const = default;
};

// What is known of a staged bundle and what it must match.
struct InstallCandidate {
    std::optional<std::string> bundleIdentifier;
    std::int64_t build = -1;
    std::optional<std::string> team;
};

// Same identifier (two missing ones count as equal), the manifest's build, and, when we
// have a team, the same team. None: accepted.
std::optional<InstallReject> installReject(const InstallCandidate& candidate,
                                           const std::optional<std::string>& expectedBundle, std::int64_t expectedBuild,
                                           const std::optional<std::string>& ourTeam);
