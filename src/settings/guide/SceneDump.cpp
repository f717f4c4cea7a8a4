#include "settings/guide/SceneDump.h"

namespace guide {

namespace {

// Layers between an actor and the canvas never move, so their model frames place it.
void addActors(const ui::Layer& layer, core::Point offset, double t, nlohmann::ordered_json& actors)
{
    const core::Rect frame = layer.frame();
    if (!layer.name.empty()) {
        const ui::Layer::Presentation seen = layer.presentation(t);
        actors[layer.name] = {
            {"frame", {frame.x() + offset.x, frame.y() + offset.y, frame.width(), frame.height()}},
            {"position", {seen.position.x + offset.x, seen.position.y + offset.y}},
            {"scale", seen.scale},
            {"opacity", seen.opacity},
        };
    }
    const core::Point inner{offset.x + frame.x(), offset.y + frame.y()};
    for (const auto& sublayer : layer.sublayers()) addActors(*sublayer, inner, t, actors);
}

}  // namespace

nlohmann::ordered_json sceneActorsJson(const ui::Layer& canvas, double t, const std::vector<std::string>& order)
{
    nlohmann::ordered_json found = nlohmann::ordered_json::object();
    for (const auto& sublayer : canvas.sublayers()) addActors(*sublayer, {0, 0}, t, found);
    nlohmann::ordered_json actors = nlohmann::ordered_json::object();
    for (const std::string& name : order)
        if (found.contains(name)) actors[name] = found[name];
    for (const auto& [name, values] : found.items())
        if (!actors.contains(name)) actors[name] = values;
    return actors;
}

}  // namespace guide
