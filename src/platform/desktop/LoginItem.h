#pragma once

#include "platform/desktop/Types.h"

#include <optional>
#include <string>

namespace desktop {

// The application's login item, with the platform's raw status values.
class LoginItem {
public:
    enum class Status { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

    virtual ~LoginItem() = default;
    virtual Status status() = 0;
    // Why this copy of the application can never be a login item (registering it fails
    // with this reason); none when it can be one.
    virtual std::optional<std::string> registrationRefusal() = 0;
    // None on success.
    virtual std::optional<Error> registerItem() = 0;
    virtual std::optional<Error> unregisterItem() = 0;
};

}  // namespace desktop
