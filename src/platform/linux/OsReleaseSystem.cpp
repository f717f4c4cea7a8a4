#include "platform/linux/OsReleaseSystem.h"

namespace linuxdesktop {

OsReleaseSystem::OsReleaseSystem(core::SystemInfoSources sources) : sources_(std::move(sources)) {}

std::string OsReleaseSystem::versionText() { return core::readDistribution(sources_); }

std::optional<core::OsVersion> OsReleaseSystem::comparableVersion() { return std::nullopt; }

}  // namespace linuxdesktop
