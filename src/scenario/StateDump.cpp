#include "scenario/StateDump.h"

#include "platform/defaults/Defaults.h"
#include "platform/dispatch/Queue.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimWorld.h"

namespace scenario {
namespace {

using Json = nlohmann::ordered_json;

Json rectJson(const core::Rect& r)
{
    return Json::array({r.x(), r.y(), r.width(), r.height()});
}

Json displaysJson(sim::SimWorld& world)
{
    Json displays = Json::array();
    for (const auto& d : world.displays())
        displays.push_back({{"id", d.id},
                            {"frame", rectJson(d.frame)},
                            {"visibleFrame", rectJson(d.visibleFrame)},
                            {"virtual", d.isVirtual}});
    return displays;
}

Json windowsJson(sim::SimWorld& world)
{
    Json windows = Json::array();
    world.visitStack([&](const sim::SimWindow& w, const sim::SimApp* owner, bool onScreen) {
        windows.push_back({{"id", w.id},
                           {"pid", w.pid},
                           {"owner", owner ? owner->info.name : std::string()},
                           {"title", w.title},
                           {"frame", rectJson(w.frame)},
                           {"layer", w.layer},
                           {"onScreen", onScreen},
                           {"minimized", w.minimized},
                           {"own", w.own}});
        return true;
    });
    return windows;
}

Json hotKeysJson(sim::SimHotKeys& hotKeys)
{
    Json list = Json::array();
    for (const auto& r : hotKeys.registered()) list.push_back({{"id", r.id}, {"code", r.code}, {"mask", r.mask}});
    return list;
}

}  // namespace

std::string stateDump(sim::SimWorld& world, desktop::Input& input, sim::SimHotKeys& hotKeys, const Application& app)
{
    const auto frontmost = world.frontmost();
    const auto pointer = input.pointerLocation();
    Json state;
    state["time"] = dispatch::now();
    state["frontmost"] = frontmost ? Json(*frontmost) : Json(nullptr);
    state["activationPolicy"] =
        world.activationPolicy() == desktop::ActivationPolicy::accessory ? "accessory" : "regular";
    state["pointer"] = Json::array({pointer.x, pointer.y});
    state["displays"] = displaysJson(world);
    state["windows"] = windowsJson(world);
    state["panels"] = Json(app.panels());
    state["hotkeys"] = hotKeysJson(hotKeys);
    state["settings"] = Json(defaults::Defaults::standard().snapshot());
    return state.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace scenario
