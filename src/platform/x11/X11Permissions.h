#pragma once

#include "platform/desktop/Permissions.h"

namespace x11 {

// X11 has no grants: any client may read any window and post input anywhere.
class X11Permissions : public desktop::Permissions {
public:
    bool hasGrants() const override { return false; }
    bool screenCapturePreflight() override { return true; }
    bool requestScreenCapture() override { return true; }
};

}  // namespace x11
