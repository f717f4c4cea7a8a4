#include "platform/sim/CaptureFaults.h"

namespace sim {

void CaptureFaults::inject(desktop::WindowID window, CaptureFault fault, long code, int count)
{
    std::lock_guard lock(mutex_);
    if (count <= 0)
        pending_.erase({window, fault});
    else
        pending_[{window, fault}] = Pending{code, count};
}

std::optional<long> CaptureFaults::take(desktop::WindowID window, CaptureFault fault)
{
    std::lock_guard lock(mutex_);
    const auto it = pending_.find({window, fault});
    if (it == pending_.end()) return std::nullopt;
    const long code = it->second.code;
    if (--it->second.remaining == 0) pending_.erase(it);
    return code;
}

}  // namespace sim
