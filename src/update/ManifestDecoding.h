#pragma once

#include "update/UpdateManifest.h"

#include <optional>
#include <string_view>

// The manifest in a response body; none when the body is not a JSON object, lacks
// shortVersion, build or url, holds a known key with a value of the wrong type, or a
// shortVersion longer than 64 characters. Unknown keys are ignored and values are not
// checked further (an empty url decodes).
std::optional<UpdateManifest> decodeManifest(std::string_view body);
