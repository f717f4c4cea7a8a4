#include "platform/sim/SimUrlOpener.h"

#include "platform/core/UrlSyntax.h"
#include "platform/sim/SimWorld.h"

namespace sim {

SimUrlOpener::SimUrlOpener(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

bool SimUrlOpener::open(const std::string& url)
{
    const bool wellFormed = core::isWellFormedUrl(url);
    if (wellFormed) {
        std::lock_guard lock(mutex_);
        opened_.push_back(url);
    }
    world_->record({{"do", "url.open"}, {"url", url}, {"result", wellFormed}});
    return wellFormed;
}

std::vector<std::string> SimUrlOpener::opened()
{
    std::lock_guard lock(mutex_);
    return opened_;
}

}  // namespace sim
