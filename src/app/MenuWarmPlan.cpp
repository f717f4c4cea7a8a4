#include "app/MenuWarmPlan.h"

namespace app {

WarmChoice chooseWarmWindows(const std::vector<desktop::WindowID>& list, std::size_t cursor,
                             const std::set<desktop::WindowID>& capturing,
                             const std::function<std::optional<double>(desktop::WindowID)>& storedAt, double now)
{
    WarmChoice choice;
    const std::size_t n = list.size();
    choice.nextCursor = cursor;
    for (std::size_t i = 0; i < n && choice.positions.size() < warmPassLimit; ++i) {
        const std::size_t position = (cursor + i) % n;
        const auto id = list[position];
        if (capturing.count(id)) continue;
        if (const auto at = storedAt(id); at && now - *at < thumbnailFreshFor) continue;
        choice.positions.push_back(position);
    }
    if (!choice.positions.empty()) choice.nextCursor = (cursor + choice.positions.size()) % n;
    return choice;
}

}  // namespace app
