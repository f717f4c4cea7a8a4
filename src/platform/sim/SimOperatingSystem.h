#pragma once

#include "platform/desktop/OperatingSystem.h"

namespace sim {

// The simulated desktop's system is the scenario's (core::systemInfo()): named by its
// version, which a release's minimum system is compared with.
class SimOperatingSystem : public desktop::OperatingSystem {
public:
    // major.minor, then ".patch" only when the patch is not 0 ("24.4", "3.19.1").
    std::string versionText() override;
    std::optional<core::OsVersion> comparableVersion() override;
};

}  // namespace sim
