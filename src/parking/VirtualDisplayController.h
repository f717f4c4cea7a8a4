#pragma once

#include "platform/desktop/Types.h"

// Owns the virtual displays that window parking parks windows on.
class VirtualDisplayController {
public:
    static VirtualDisplayController& shared();

    // Whether the display is one of this controller's live virtual displays.
    bool isVirtual(desktop::DisplayID displayID) const;

private:
    VirtualDisplayController() = default;
};
