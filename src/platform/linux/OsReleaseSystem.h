#pragma once

#include "platform/desktop/OperatingSystem.h"

namespace linuxdesktop {

// A Linux distribution as os-release names it ("debian 12"). Version numbers mean
// different things on different distributions, so one release's minimum system cannot
// be compared with them: none holds an update back.
class OsReleaseSystem : public desktop::OperatingSystem {
public:
    explicit OsReleaseSystem(core::SystemInfoSources sources = {});

    std::string versionText() override;
    std::optional<core::OsVersion> comparableVersion() override;

private:
    core::SystemInfoSources sources_;
};

}  // namespace linuxdesktop
