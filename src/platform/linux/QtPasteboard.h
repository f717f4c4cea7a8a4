#pragma once

#include "platform/desktop/Pasteboard.h"

namespace linuxdesktop {

// The desktop's clipboard, through the application's Qt clipboard (used on the main
// queue, as Qt requires). Without a GUI application object there is no clipboard.
class QtPasteboard : public desktop::Pasteboard {
public:
    void setString(const std::string& text) override;
    std::optional<std::string> string() override;
};

}  // namespace linuxdesktop
