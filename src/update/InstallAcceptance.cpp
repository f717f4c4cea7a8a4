#include "update/InstallAcceptance.h"

std::optional<InstallReject> installReject(const InstallCandidate&, const std::optional<std::string>&, std::int64_t,
                                           const std::optional<std::string>&)
{
    return InstallReject{};
}
