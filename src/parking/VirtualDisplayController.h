#pragma once

#include "platform/desktop/Types.h"

#include <functional>

// Which displays are window parking's own virtual displays, as the lower layers ask it.
// The application installs the answer of the real controller at launch; without one, a
// display counts as virtual when the desktop lists it so.
class VirtualDisplayController {
public:
    using VirtualTest = std::function<bool(desktop::DisplayID)>;

    static VirtualDisplayController& shared();

    // The answer must be callable from any thread.
    static void install(VirtualTest isVirtual);

    // Whether the display is one of the live virtual displays. Any thread.
    bool isVirtual(desktop::DisplayID displayID) const;

private:
    VirtualDisplayController() = default;
};
