#include "platform/x11/X11ApplicationIdentity.h"

#include <climits>
#include <unistd.h>

namespace x11 {

std::optional<std::string> executableOf(desktop::Pid pid)
{
    char target[PATH_MAX];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const auto length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
    return std::string(target, static_cast<std::size_t>(length));
}

std::string applicationIdentifier(desktop::Pid pid, const std::optional<std::string>& windowClass)
{
    const auto executable = executableOf(pid);
    return "x11:" + (executable ? *executable : windowClass ? *windowClass : "pid-" + std::to_string(pid));
}

}  // namespace x11
