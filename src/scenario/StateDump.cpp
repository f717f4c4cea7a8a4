#include "scenario/StateDump.h"

#include "app/RectJson.h"
#include "platform/defaults/Defaults.h"
#include "platform/dispatch/Queue.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimWorld.h"
#include "platform/ui/Menu.h"
#include "platform/ui/StatusItem.h"

namespace scenario {
namespace {

using Json = nlohmann::ordered_json;

Json displaysJson(sim::SimWorld& world)
{
    Json displays = Json::array();
    for (const auto& d : world.displays())
        displays.push_back({{"id", d.id},
                            {"frame", app::rectJson(d.frame)},
                            {"visibleFrame", app::rectJson(d.visibleFrame)},
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
                           {"frame", app::rectJson(w.frame)},
                           {"layer", w.layer},
                           {"onScreen", onScreen},
                           {"minimized", w.minimized},
                           {"own", w.own}});
        return true;
    });
    return windows;
}

Json parkingRecordsJson(const std::vector<app::ParkingRecord>& records)
{
    Json list = Json::array();
    for (const auto& r : records)
        list.push_back({{"window", r.window},
                        {"pid", r.pid},
                        {"originalFrame", app::rectJson(r.originalFrame)},
                        {"virtualDisplay", r.virtualDisplay}});
    return list;
}

Json parkingJson(const app::ParkingLedger& ledger)
{
    return {{"parked", parkingRecordsJson(ledger.parked)},
            {"strayed", parkingRecordsJson(ledger.strayed)},
            {"lent", parkingRecordsJson(ledger.lent)}};
}

Json statusItemsJson(sim::SimWorld& world)
{
    Json items = Json::array();
    const auto displays = world.displays();
    const double flipHeight = displays.empty() ? 0 : displays.front().frame.height();
    for (const auto* item : ui::StatusItem::all())
        items.push_back({{"title", item->title()}, {"frame", app::rectJson(core::flipped(item->frame(), flipHeight))}});
    return items;
}

Json menuEntryJson(const ui::OpenMenuEntry& entry)
{
    switch (entry.kind) {
    case ui::OpenMenuEntry::Kind::separator: return {{"separator", true}};
    case ui::OpenMenuEntry::Kind::view: return {{"view", entry.text}};
    case ui::OpenMenuEntry::Kind::item: break;
    }
    Json item{{"title", entry.text}, {"enabled", entry.enabled}};
    if (entry.hasSubmenu) item["submenu"] = true;
    return item;
}

Json menusJson()
{
    Json menus = Json::array();
    for (const auto& menu : ui::Menu::openMenus()) {
        Json items = Json::array();
        for (const auto& entry : menu.entries) items.push_back(menuEntryJson(entry));
        menus.push_back({{"frame", app::rectJson(menu.frame)}, {"items", std::move(items)}});
    }
    return menus;
}

Json hotKeysJson(sim::SimHotKeys& hotKeys)
{
    Json list = Json::array();
    for (const auto& r : hotKeys.registered()) list.push_back({{"id", r.id}, {"code", r.code}, {"mask", r.mask}});
    return list;
}

}  // namespace

std::string stateDump(sim::SimWorld& world, desktop::Input& input, sim::SimHotKeys& hotKeys, const app::Application& app)
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
    state["parking"] = parkingJson(app.parking());
    state["statusItems"] = statusItemsJson(world);
    state["menus"] = menusJson();
    state["hotkeys"] = hotKeysJson(hotKeys);
    state["settings"] = Json(defaults::Defaults::standard().snapshot());
    state["guide"] = app.guide();
    return state.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace scenario
