#pragma once

#include "platform/desktop/UrlOpener.h"

namespace linuxdesktop {

// Hands addresses to the desktop's opener program (xdg-open), started detached and
// without a shell, so nothing in the address is interpreted on the way.
class DesktopUrlOpener : public desktop::UrlOpener {
public:
    explicit DesktopUrlOpener(std::string program = "xdg-open");
    // False for a malformed address or when the program cannot be started.
    bool open(const std::string& url) override;

private:
    std::string program_;
};

}  // namespace linuxdesktop
