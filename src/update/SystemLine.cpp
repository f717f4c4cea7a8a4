#include "update/SystemLine.h"

#include "platform/core/SystemInfo.h"

namespace SystemLine {

std::string osVersion()
{
    const auto version = core::systemInfo().osVersion;
    if (!version) return "";
    std::string text = std::to_string(version->major) + "." + std::to_string(version->minor);
    if (version->patch != 0) text += "." + std::to_string(version->patch);
    return text;
}

std::string line() { return "Linux " + osVersion() + " (" + core::systemInfo().architecture + ")"; }

}  // namespace SystemLine
