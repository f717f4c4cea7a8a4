#include "platform/sim/SimOperatingSystem.h"

namespace sim {

std::string SimOperatingSystem::versionText()
{
    const auto version = core::systemInfo().osVersion;
    if (!version) return "";
    std::string text = std::to_string(version->major) + "." + std::to_string(version->minor);
    if (version->patch != 0) text += "." + std::to_string(version->patch);
    return text;
}

std::optional<core::OsVersion> SimOperatingSystem::comparableVersion() { return core::systemInfo().osVersion; }

}  // namespace sim
