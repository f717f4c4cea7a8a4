#pragma once

#include "platform/desktop/LoginItem.h"
#include "platform/linux/AutostartProgram.h"

namespace linuxdesktop {

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/glimra.desktop:
// enabled while the entry exists and starts the program's executable.
class XdgLoginItem : public desktop::LoginItem {
public:
    explicit XdgLoginItem(AutostartProgram program = autostartProgramFor(currentExecutable()));

    Status status() override;
    std::optional<std::string> registrationRefusal() override;
    std::optional<desktop::Error> registerItem() override;
    std::optional<desktop::Error> unregisterItem() override;

private:
    AutostartProgram program_;
};

}  // namespace linuxdesktop
