#pragma once

#include "platform/desktop/VirtualDisplays.h"

namespace x11 {

// None on X11: a monitor of our own would grow the framebuffer and every client would
// take it for a real screen; covered windows keep drawing anyway, so nothing needs one.
class X11VirtualDisplays : public desktop::VirtualDisplays {
public:
    bool available() override { return false; }
    std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor&) override
    {
        return nullptr;
    }
};

}  // namespace x11
