#include "platform/x11/X11Desktop.h"

#include "platform/linux/CurlUrlLoading.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/InstanceLock.h"
#include "platform/linux/ProcessTools.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/XdgLoginItem.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"

namespace x11 {

std::shared_ptr<desktop::Desktop> makeDesktop(std::shared_ptr<Connection> connection)
{
    // The window server, displays, workspace, accessibility, capture, permissions and
    // virtual displays of the X server are still to come: an empty simulated world
    // stands in for them.
    auto desktop = std::make_shared<desktop::Desktop>(*sim::makeSimDesktop(std::make_shared<sim::SimWorld>()));
    if (const auto holder = linuxdesktop::InstanceLock::otherLiveHolder(linuxdesktop::InstanceLock::defaultFolder())) {
        const auto reopen = [] { linuxdesktop::InstanceLock::sendReopen(linuxdesktop::InstanceLock::defaultFolder()); };
        dynamic_cast<sim::SimWorkspace&>(*desktop->workspace).setOtherInstance(
            sim::SimWorkspace::OtherInstance{static_cast<desktop::Pid>(*holder), reopen});
    }
    desktop->input = std::make_shared<X11Input>(connection);
    desktop->hotKeys = std::make_shared<X11HotKeys>();
    desktop->loginItem = std::make_shared<linuxdesktop::XdgLoginItem>();
    desktop->pasteboard = std::make_shared<linuxdesktop::QtPasteboard>();
    desktop->urlOpener = std::make_shared<linuxdesktop::DesktopUrlOpener>();
    desktop->urlLoading = std::make_shared<linuxdesktop::CurlUrlLoading>();
    desktop->tools = std::make_shared<linuxdesktop::ProcessTools>();
    return desktop;
}

}  // namespace x11
