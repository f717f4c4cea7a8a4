#include "platform/x11/X11Desktop.h"

#include "platform/linux/BundleFolderInstallation.h"
#include "platform/linux/CurlUrlLoading.h"
#include "platform/linux/DesktopUrlOpener.h"
#include "platform/linux/OsReleaseSystem.h"
#include "platform/linux/ProcessTools.h"
#include "platform/linux/QtPasteboard.h"
#include "platform/linux/XdgLoginItem.h"
#include "platform/x11/X11Accessibility.h"
#include "platform/x11/X11Capture.h"
#include "platform/x11/X11Displays.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "platform/x11/X11KeyMap.h"
#include "platform/x11/X11NativePicture.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11QtRefusals.h"
#include "platform/x11/X11VirtualDisplays.h"
#include "platform/x11/X11WindowServer.h"
#include "platform/x11/X11Workspace.h"

namespace x11 {

std::shared_ptr<desktop::Desktop> makeDesktop(std::shared_ptr<Connection> connection)
{
    // The displays come first: they set up the global space the others convert through.
    auto displays = std::make_shared<X11Displays>(connection);
    // The window list and the running applications are read from the same clients.
    const auto clients = std::make_shared<ClientFactsCache>(connection);
    auto windowServer = std::make_shared<X11WindowServer>(connection, clients);
    auto desktop = std::make_shared<desktop::Desktop>();
    desktop->windowServer = windowServer;
    desktop->displays = displays;
    // Both follow the client in front, read once for both.
    const auto active = std::make_shared<ActiveClient>(connection);
    desktop->workspace = std::make_shared<X11Workspace>(connection, clients, active);
    desktop->accessibility = std::make_shared<X11Accessibility>(connection, clients, active);
    const auto keyMap = std::make_shared<X11KeyMap>(connection->xcb());
    desktop->input = std::make_shared<X11Input>(connection, keyMap);
    desktop->hotKeys = std::make_shared<X11HotKeys>(connection, keyMap);
    desktop->capture = std::make_shared<X11Capture>(connection, windowServer, displays);
    desktop->permissions = std::make_shared<X11Permissions>();
    desktop->virtualDisplays = std::make_shared<X11VirtualDisplays>();
    desktop->loginItem = std::make_shared<linuxdesktop::XdgLoginItem>();
    desktop->pasteboard = std::make_shared<linuxdesktop::QtPasteboard>();
    desktop->urlOpener = std::make_shared<linuxdesktop::DesktopUrlOpener>();
    desktop->urlLoading = std::make_shared<linuxdesktop::CurlUrlLoading>();
    desktop->tools = std::make_shared<linuxdesktop::ProcessTools>();
    desktop->installation = std::make_shared<linuxdesktop::BundleFolderInstallation>(desktop->tools);
    desktop->operatingSystem = std::make_shared<linuxdesktop::OsReleaseSystem>();
    desktop->conventions = {desktop::Conventions::KeyNotation::words, "linux",
                            desktop::Conventions::Furniture::panelAndTaskBar};
    ui::installNativePictures(nativePictureMaker());
    logQtRefusals(*connection);
    return desktop;
}

}  // namespace x11
