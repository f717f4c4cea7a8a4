#include "update/InstallAcceptance.h"

namespace {

InstallReject reject(InstallReject::Check check) { return {check, std::nullopt, std::nullopt, std::nullopt}; }

}  // namespace

std::optional<InstallReject> installReject(const InstallCandidate& candidate,
                                           const std::optional<std::string>& expectedBundle, std::int64_t expectedBuild,
                                           const std::optional<std::string>& ourTeam)
{
    using Check = InstallReject::Check;
    if (candidate.bundleIdentifier != expectedBundle)
        return InstallReject{Check::bundle, candidate.bundleIdentifier, std::nullopt, std::nullopt};
    if (candidate.build != expectedBuild) return reject(Check::build);
    // An ad hoc copy compares only identifier and build; a signed one wants its own team.
    if (!ourTeam) return std::nullopt;
    if (!candidate.team) return reject(Check::unsignedBundle);
    if (*candidate.team != *ourTeam) return InstallReject{Check::team, std::nullopt, candidate.team, ourTeam};
    return std::nullopt;
}
