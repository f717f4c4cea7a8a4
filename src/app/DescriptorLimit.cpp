#include "app/DescriptorLimit.h"

#include <sys/resource.h>

namespace app {

std::optional<std::string> raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return std::nullopt;
    if (limit.rlim_cur < limit.rlim_max) {
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) limit.rlim_cur = before;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= minimumOpenFiles) return std::nullopt;
    return "glimra: the limit on open files is " + std::to_string(limit.rlim_cur) + " (ulimit -n); Glimra needs at least " +
           std::to_string(minimumOpenFiles);
}

}  // namespace app
