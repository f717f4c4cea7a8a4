#include "scenario/WorldSetup.h"

#include "scenario/OutputFolder.h"
#include "scenario/RunDesktop.h"

#include "platform/desktop/Desktop.h"
#include "platform/core/Environment.h"
#include "platform/core/PreferredLanguages.h"
#include "platform/core/SystemInfo.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimLoginItem.h"
#include "platform/sim/SimUrlLoading.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <unordered_map>

namespace scenario {

desktop::DisplayInfo displayInfo(const ScenarioDisplay& spec)
{
    desktop::DisplayInfo info;
    info.id = spec.id;
    info.frame = spec.frame;
    info.visibleFrame = spec.visibleFrame;
    info.scale = spec.scale;
    info.mode.width = spec.frame.width();
    info.mode.height = spec.frame.height();
    info.mode.pixelWidth = static_cast<int>(spec.frame.width() * spec.scale);
    info.mode.pixelHeight = static_cast<int>(spec.frame.height() * spec.scale);
    info.mode.refreshRate = spec.refreshHz;
    info.physicalSizeMM = spec.mm;
    info.name = spec.name;
    info.isVirtual = spec.isVirtual;
    return info;
}

sim::SimApp simApp(const ScenarioApp& spec)
{
    sim::SimApp app;
    app.info.pid = spec.pid;
    app.info.bundleIdentifier = spec.bundleID;
    app.info.name = spec.name;
    app.info.bundlePath = spec.path;
    app.info.hidden = spec.hidden;
    app.behavior = spec.behavior;
    return app;
}

sim::SimWindow simWindow(const ScenarioWindow& spec, desktop::Pid pid)
{
    sim::SimWindow window;
    window.id = spec.id;
    window.pid = pid;
    window.title = spec.title;
    window.frame = spec.frame;
    window.layer = spec.layer;
    window.content = spec.content;
    window.minimized = spec.minimized;
    window.offscreen = spec.offscreen;
    return window;
}

std::shared_ptr<sim::SimWorld> makeWorld(const Scenario& scenario)
{
    auto world = std::make_shared<sim::SimWorld>();
    for (const auto& display : scenario.displays) world->addDisplay(displayInfo(display));
    for (const auto& app : scenario.apps) world->addApp(simApp(app));
    // Activation brings an application's windows forward, so it comes before there are any.
    if (scenario.frontmost) world->setFrontmost(*scenario.frontmost);

    std::vector<sim::SimWindow> windows;
    for (const auto& app : scenario.apps)
        for (const auto& window : app.windows) windows.push_back(simWindow(window, app.pid));
    std::unordered_map<desktop::WindowID, std::size_t> frontRank;
    for (std::size_t i = 0; i < scenario.front.size(); ++i) frontRank.emplace(scenario.front[i], i);
    const auto rank = [&](const sim::SimWindow& window) {
        const auto it = frontRank.find(window.id);
        return it == frontRank.end() ? scenario.front.size() : it->second;
    };
    std::stable_sort(windows.begin(), windows.end(),
                     [&](const sim::SimWindow& a, const sim::SimWindow& b) { return rank(a) < rank(b); });
    world->addWindows(std::move(windows));

    world->setScreenRecordingAllowed(scenario.screenRecording);
    world->setAccessibilityTrusted(scenario.accessibility);
    return world;
}

void configureServices(const Scenario& scenario, desktop::Desktop& services)
{
    simulated<sim::SimVirtualDisplays>(services.virtualDisplays).setOptions(scenario.virtualDisplays);
    simulated<sim::SimWindowServer>(services.windowServer).setSwitches(scenario.windowServer);
    simulated<sim::SimInput>(services.input).setIgnoreWarps(scenario.ignoreWarps);
    auto& loginItem = simulated<sim::SimLoginItem>(services.loginItem);
    loginItem.setRegistered(scenario.loginItem.registered);
    loginItem.setRequiresApproval(scenario.loginItem.requiresApproval);
    loginItem.setNotFound(scenario.loginItem.notFound);
    simulated<sim::SimHotKeys>(services.hotKeys).setReserved(scenario.reservedHotkeys);
    simulated<sim::SimUrlLoading>(services.urlLoading).setRoutes(scenario.server);
}

void applySystemSettings(const Scenario& scenario)
{
    core::setPreferredLanguagesOverride(scenario.languages);
    core::setEnvironmentOverride(scenario.environment);
    core::setSystemInfoOverride(scenario.system);
    auto& store = defaults::Defaults::standard();
    for (const auto& [key, value] : scenario.settings.items()) store.set(key, value);
}

core::AppIdentity runIdentity(const IdentityWorld& world, core::AppIdentity identity, const OutputFolder& output)
{
    if (world.version) identity.version = *world.version;
    if (world.build) identity.build = *world.build;
    if (world.bundlePath) identity.bundlePath = output.path(*world.bundlePath);
    // The simulated desktop's own pid: what the run journals must not vary with the process.
    identity.pid = sim::simulatedOwnPid;
    return identity;
}

}  // namespace scenario
