#pragma once

#include <string>

namespace app {

// Holds what goes to standard error while the widget application object is made on the X11
// display, Qt's messages and its libraries' alike. A fatal message of Qt's ends the process
// with status 1 and one line of ours in place of all that and Qt's advice to reinstall: that
// the display takes no more clients, when Qt could not connect after Glimra's own
// connection took the last free slot, or else what Qt said. Without one, what was held is
// written out at destruction.
class ToolkitStartMessages {
public:
    explicit ToolkitStartMessages(std::string displayName);
    ~ToolkitStartMessages();
    ToolkitStartMessages(const ToolkitStartMessages&) = delete;
    ToolkitStartMessages& operator=(const ToolkitStartMessages&) = delete;
};

}  // namespace app
