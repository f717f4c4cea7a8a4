#pragma once

#include "platform/desktop/Types.h"

#include <optional>

namespace desktop {

// The application's login item, with the platform's raw status values.
class LoginItem {
public:
    enum class Status { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

    virtual ~LoginItem() = default;
    virtual Status status() = 0;
    // None on success.
    virtual std::optional<Error> registerItem() = 0;
    virtual std::optional<Error> unregisterItem() = 0;
};

}  // namespace desktop
