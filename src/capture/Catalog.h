#pragma once

#include "platform/desktop/Capture.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

// Which windows the user may turn into a mini window right now: the shareable windows
// of other applications on the normal layer, without system prompts and agents, and at
// least 120 by 80 points, in the framework's order.
namespace Catalog {

// System prompts and agents that are never offered.
const std::set<std::string>& excludedSystemBundleIDs();

// Queries afresh and returns at once; the completion runs once, off the main thread,
// with an empty list when the query fails (for example without screen recording).
void list(std::function<void(std::vector<desktop::ShareableWindow>)> completion);

// The filter of list(): keeps the offered windows of the content, in order, and logs
// each system prompt it drops once while it stays among the 64 latest such drops.
std::vector<desktop::ShareableWindow> filter(const desktop::ShareableContent& content);

}  // namespace Catalog
