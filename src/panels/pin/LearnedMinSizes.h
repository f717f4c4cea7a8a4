#pragma once

#include "platform/core/Geometry.h"

#include <map>
#include <optional>
#include <string>

// Minimum window sizes that applications enforce without reporting them, learned per
// bundle identifier from the clamps a takeover observes. A dimension of 0 is unknown.
namespace pin::LearnedMinSizes {

// Loaded from the settings on first use, then kept in memory and written through.
std::map<std::string, core::Size>& cache();

// intended: the size asked for; actual: the size the window kept.
void noteClampedSize(const std::optional<std::string>& bundleID, core::Size intended, core::Size actual);

// At launch: learned sizes last one run.
void resetForLaunch();

}  // namespace pin::LearnedMinSizes
