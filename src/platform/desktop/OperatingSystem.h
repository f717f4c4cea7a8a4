#pragma once

#include "platform/core/SystemInfo.h"

#include <optional>
#include <string>

namespace desktop {

// The running system as support texts name it and as a release's minimum system is
// compared with it. Any thread.
class OperatingSystem {
public:
    virtual ~OperatingSystem() = default;
    // The contact address's "os" and the middle of the diagnostics line: a version
    // ("24.4"), or a distribution and its version ("debian 12"); empty when unknown.
    virtual std::string versionText() = 0;
    // The version a release's minimum system is compared with; none: no minimum holds an
    // update back.
    virtual std::optional<core::OsVersion> comparableVersion() = 0;
};

}  // namespace desktop
