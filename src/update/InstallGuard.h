#pragma once

#include "update/ReplaceJob.h"

#include <optional>
#include <string>

// Whether the target may be replaced at all: the installed bundle with the expected
// identifier, in a folder only this user can write, holding none of our settings, data or
// logs. The translated reason when not. Checked before anything is staged beside it.
std::optional<std::string> installTargetRefusal(const std::string& target, const std::string& expectedIdentifier);

// The desktop's refusal of the target as a folder an update may replace as a whole, as the
// translated reason; none when it may. Blocks.
std::optional<std::string> bundleFolderRefusal(const std::string& target);

// The same for the target plus every other value the replace script will be handed:
// absolute paths without control characters, a decimal process id, the staged bundle in a
// staging folder beside the target, relative executables that stay inside their bundles.
std::optional<std::string> replaceJobRefusal(const ReplaceJob& job, const std::string& expectedIdentifier);
