#pragma once

#include <string>

namespace desktop {

// Hands an address (a web page, a settings pane, a file) to the desktop's opener.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // False when the address is malformed or nothing can open it.
    virtual bool open(const std::string& url) = 0;
};

}  // namespace desktop
