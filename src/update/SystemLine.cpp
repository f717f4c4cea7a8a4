#include "update/SystemLine.h"

#include "platform/core/SystemInfo.h"
#include "platform/desktop/Desktop.h"

namespace SystemLine {

std::string line()
{
    return "Linux " + desktop::operatingSystem().versionText() + " (" + core::systemInfo().architecture + ")";
}

}  // namespace SystemLine
