#pragma once

#include "platform/desktop/LoginItem.h"

#include <string>

namespace linuxdesktop {

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/glimra.desktop:
// enabled while the entry exists and starts this executable.
class XdgLoginItem : public desktop::LoginItem {
public:
    explicit XdgLoginItem(std::string executable = currentExecutable());

    Status status() override;
    std::optional<desktop::Error> registerItem() override;
    std::optional<desktop::Error> unregisterItem() override;

    static std::string currentExecutable();

private:
    std::string executable_;
};

}  // namespace linuxdesktop
