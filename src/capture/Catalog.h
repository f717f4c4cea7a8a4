#pragma once

#include "platform/core/Geometry.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/WindowServer.h"

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Which windows the user may turn into a mini window right now: the shareable windows
// of other applications on the normal layer, without system prompts and agents, and at
// least 120 by 80 points, in the framework's order.
namespace Catalog {

// Whether a window of that frame is large enough to be offered: at least 120 by 80 points.
bool isLargeEnough(const core::Rect& frame);

// System prompts and agents that are never offered.
const std::set<std::string>& excludedSystemBundleIDs();

// Why a query gave no windows although there may be some.
enum class Failure {
    notPermitted,  // screen recording is not allowed
    failed,        // any other error of the query
};

struct Listing {
    std::vector<desktop::ShareableWindow> windows;  // empty on failure
    std::optional<Failure> failure;
};

// Queries afresh and returns at once; the completion runs once, off the main thread.
// Each kind of failure is logged once until a query succeeds again.
void list(std::function<void(Listing)> completion);
// The same, for the on-screen window list the caller just read: the desktop need not read
// it again.
void list(std::vector<desktop::WindowInfo> onScreenWindows, std::function<void(Listing)> completion);

// The filter of list(): keeps the offered windows of the content, in order, and logs
// each system prompt it drops once while it stays among the 64 latest such drops.
std::vector<desktop::ShareableWindow> filter(const desktop::ShareableContent& content);

}  // namespace Catalog
