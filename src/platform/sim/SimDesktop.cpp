#include "platform/sim/SimDesktop.h"

#include "platform/core/AppIdentity.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimCapture.h"
#include "platform/sim/SimDisplays.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInput.h"
#include "platform/sim/SimInstallation.h"
#include "platform/sim/SimLoginItem.h"
#include "platform/sim/SimOperatingSystem.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimPermissions.h"
#include "platform/sim/SimTools.h"
#include "platform/sim/SimUrlLoading.h"
#include "platform/sim/SimUrlOpener.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "platform/sim/SimWindowServer.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"

namespace sim {
namespace {

void addOwnApp(SimWorld& world)
{
    if (world.app(world.ownPid())) return;
    const auto& identity = core::AppIdentity::current();
    SimApp own;
    own.info.pid = world.ownPid();
    own.info.bundleIdentifier = identity.bundleIdentifier;
    own.info.name = "Glimra";
    own.info.bundlePath = identity.bundlePath;
    world.addApp(own);
}

}  // namespace

std::shared_ptr<desktop::Desktop> makeSimDesktop(std::shared_ptr<SimWorld> world)
{
    addOwnApp(*world);
    auto desktop = std::make_shared<desktop::Desktop>();
    desktop->windowServer = std::make_shared<SimWindowServer>(world);
    desktop->displays = std::make_shared<SimDisplays>(world);
    desktop->workspace = std::make_shared<SimWorkspace>(world);
    desktop->accessibility = std::make_shared<SimAccessibility>(world);
    desktop->permissions = std::make_shared<SimPermissions>(world);
    desktop->virtualDisplays = std::make_shared<SimVirtualDisplays>(world);
    desktop->loginItem = std::make_shared<SimLoginItem>(world);
    desktop->pasteboard = std::make_shared<SimPasteboard>(world);
    desktop->urlOpener = std::make_shared<SimUrlOpener>(world);
    desktop->urlLoading = std::make_shared<SimUrlLoading>(world);
    desktop->tools = std::make_shared<SimTools>(world);
    desktop->operatingSystem = std::make_shared<SimOperatingSystem>();
    desktop->installation = std::make_shared<SimInstallation>();
    desktop->capture = std::make_shared<SimCapture>(world);
    auto hotKeys = std::make_shared<SimHotKeys>(world);
    desktop->hotKeys = hotKeys;
    desktop->input = SimInput::create(world, hotKeys);
    return desktop;
}

}  // namespace sim
