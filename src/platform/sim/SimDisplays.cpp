#include "platform/sim/SimDisplays.h"

#include "platform/sim/SimWorld.h"

namespace sim {
namespace {

constexpr int illegalArgument = 1001;

}  // namespace

SimDisplays::SimDisplays(std::shared_ptr<SimWorld> world) : world_(std::move(world))
{
    listener_ = world_->onDisplaysChanged([observers = observers_] { observers.post(); });
}

SimDisplays::~SimDisplays() { world_->removeListener(listener_); }

std::vector<desktop::DisplayInfo> SimDisplays::activeDisplays() { return world_->displays(); }

std::optional<desktop::DisplayInfo> SimDisplays::display(desktop::DisplayID id) { return world_->display(id); }

std::optional<desktop::DisplayID> SimDisplays::mainDisplayID()
{
    const auto displays = world_->displays();
    if (displays.empty()) return std::nullopt;
    return displays.front().id;
}

std::optional<desktop::DisplayID> SimDisplays::displayAt(core::Point point) { return world_->displayAt(point); }

std::optional<desktop::DisplayMode> SimDisplays::currentMode(desktop::DisplayID id) { return world_->currentMode(id); }

int SimDisplays::commitConfiguration(const std::vector<desktop::OriginChange>& changes)
{
    const int result = world_->commitConfiguration(changes) ? 0 : illegalArgument;
    nlohmann::json moved = nlohmann::json::array();
    for (const auto& change : changes) moved.push_back({{"id", change.id}, {"x", change.x}, {"y", change.y}});
    world_->record({{"do", "display.configure"}, {"changes", moved}, {"result", result}});
    return result;
}

desktop::Token SimDisplays::addConfigurationObserver(std::function<void()> onChange)
{
    return observers_.add(std::move(onChange));
}

void SimDisplays::removeConfigurationObserver(desktop::Token token) { observers_.remove(token); }

}  // namespace sim
