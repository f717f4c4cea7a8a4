#pragma once

#include "platform/desktop/Types.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <vector>

// Which windows a thumbnail warming pass captures: at most a dozen, starting at a cursor
// that rotates through long lists, skipping windows being captured or captured recently.
namespace app {

constexpr std::size_t warmPassLimit = 12;
constexpr double warmPassInterval = 8.0;   // seconds between unforced passes
constexpr double thumbnailFreshFor = 300;  // seconds a thumbnail is not recaptured

struct WarmChoice {
    std::vector<std::size_t> positions;  // list positions, in capture order
    std::size_t nextCursor = 0;
};

// storedAt answers when a window's cached thumbnail was stored (none when uncached).
WarmChoice chooseWarmWindows(const std::vector<desktop::WindowID>& list, std::size_t cursor,
                             const std::set<desktop::WindowID>& capturing,
                             const std::function<std::optional<double>(desktop::WindowID)>& storedAt, double now);

}  // namespace app
