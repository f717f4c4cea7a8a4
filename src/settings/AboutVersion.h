#pragma once

#include "platform/core/AppIdentity.h"
#include "update/UpdateManifest.h"

#include <optional>
#include <string>

namespace settings {

// The About tab's version row, translated: "版本" or "有新版本可用", and the version
// line with the running version and build ("1.0" and "0" when the identity has none)
// and the offered version, if any.
std::string versionRowTitle(const std::optional<UpdateManifest>& offered);
std::string versionLine(const core::AppIdentity& identity, const std::optional<UpdateManifest>& offered);

}  // namespace settings
