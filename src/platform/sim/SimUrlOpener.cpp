#include "platform/sim/SimUrlOpener.h"

#include "platform/core/UrlSyntax.h"
#include "platform/sim/SimWorld.h"

namespace sim {
namespace {

constexpr const char* settingsAddressPrefix = "x-apple.systempreferences:";
constexpr const char* settingsBundleID = "com.apple.systempreferences";
constexpr const char* settingsName = "System Settings";

}  // namespace

SimUrlOpener::SimUrlOpener(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

bool SimUrlOpener::open(const std::string& url)
{
    const bool wellFormed = core::isWellFormedUrl(url);
    if (wellFormed) {
        std::lock_guard lock(mutex_);
        opened_.push_back(url);
    }
    world_->record({{"do", "url.open"}, {"url", url}, {"result", wellFormed}});
    if (wellFormed && url.starts_with(settingsAddressPrefix)) {
        const auto settings = world_->runningOrLaunched(settingsBundleID, settingsName);
        if (settings.launched)
            world_->record({{"do", "app.launch"}, {"bundleID", settingsBundleID}, {"pid", settings.pid}});
    }
    return wellFormed;
}

std::vector<std::string> SimUrlOpener::opened()
{
    std::lock_guard lock(mutex_);
    return opened_;
}

}  // namespace sim
