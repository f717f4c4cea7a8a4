#pragma once

#include "platform/desktop/Permissions.h"

namespace x11 {

// X11 has no screen-recording grant: any client may read any window.
class X11Permissions : public desktop::Permissions {
public:
    bool screenCapturePreflight() override { return true; }
    bool requestScreenCapture() override { return true; }
};

}  // namespace x11
