#pragma once

#include "platform/desktop/Installation.h"

namespace sim {

// The simulated copy trusts no key, so it stays ad hoc, and leaves the replaceable
// bundle folder to the updater's own checks.
class SimInstallation : public desktop::Installation {
public:
    std::optional<std::string> trustedKeysFile(const std::string&) override { return std::nullopt; }
    std::optional<Refusal> replacementRefusal(const std::string&) override { return std::nullopt; }
};

}  // namespace sim
