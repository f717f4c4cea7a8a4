#pragma once

#include "platform/desktop/Accessibility.h"
#include "platform/desktop/Capture.h"
#include "platform/desktop/Conventions.h"
#include "platform/desktop/Displays.h"
#include "platform/desktop/HotKeys.h"
#include "platform/desktop/Input.h"
#include "platform/desktop/Installation.h"
#include "platform/desktop/LoginItem.h"
#include "platform/desktop/OperatingSystem.h"
#include "platform/desktop/Pasteboard.h"
#include "platform/desktop/Permissions.h"
#include "platform/desktop/Tools.h"
#include "platform/desktop/UrlLoading.h"
#include "platform/desktop/UrlOpener.h"
#include "platform/desktop/VirtualDisplays.h"
#include "platform/desktop/WindowServer.h"
#include "platform/desktop/Workspace.h"

namespace desktop {

// The desktop the application runs on: one object per service. The system log and the
// application's identity live in platform/core.
struct Desktop {
    std::shared_ptr<WindowServer> windowServer;
    std::shared_ptr<Displays> displays;
    std::shared_ptr<Workspace> workspace;
    std::shared_ptr<Accessibility> accessibility;
    std::shared_ptr<Input> input;
    std::shared_ptr<HotKeys> hotKeys;
    std::shared_ptr<Capture> capture;
    std::shared_ptr<Permissions> permissions;
    std::shared_ptr<VirtualDisplays> virtualDisplays;
    std::shared_ptr<LoginItem> loginItem;
    std::shared_ptr<Pasteboard> pasteboard;
    std::shared_ptr<UrlOpener> urlOpener;
    std::shared_ptr<UrlLoading> urlLoading;
    std::shared_ptr<Tools> tools;
    std::shared_ptr<OperatingSystem> operatingSystem;
    std::shared_ptr<Installation> installation;
    Conventions conventions;
};

// The installed desktop; every service must be set before use.
void install(std::shared_ptr<Desktop> desktop);
Desktop& current();

inline WindowServer& windowServer() { return *current().windowServer; }
inline Displays& displays() { return *current().displays; }
inline Workspace& workspace() { return *current().workspace; }
inline Accessibility& accessibility() { return *current().accessibility; }
inline Input& input() { return *current().input; }
// The installed input's key cap; none before a desktop with input is installed.
std::optional<std::string> keyCap(int keyCode);
inline HotKeys& hotKeys() { return *current().hotKeys; }
inline Capture& capture() { return *current().capture; }
inline Permissions& permissions() { return *current().permissions; }
inline VirtualDisplays& virtualDisplays() { return *current().virtualDisplays; }
inline LoginItem& loginItem() { return *current().loginItem; }
inline Pasteboard& pasteboard() { return *current().pasteboard; }
inline UrlOpener& urlOpener() { return *current().urlOpener; }
inline UrlLoading& urlLoading() { return *current().urlLoading; }
inline Tools& tools() { return *current().tools; }
inline OperatingSystem& operatingSystem() { return *current().operatingSystem; }
inline Installation& installation() { return *current().installation; }
// The installed desktop's conventions; the defaults while none is installed, so that texts
// and key names read in logic that runs without a desktop stay the main table's.
const Conventions& conventions();

}  // namespace desktop
