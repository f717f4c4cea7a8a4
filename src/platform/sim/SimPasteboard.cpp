#include "platform/sim/SimPasteboard.h"

#include "platform/sim/SimWorld.h"

namespace sim {

SimPasteboard::SimPasteboard(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

void SimPasteboard::setString(const std::string& text)
{
    {
        std::lock_guard lock(mutex_);
        text_ = text;
    }
    world_->record({{"do", "pasteboard.set"}, {"text", text}});
}

std::optional<std::string> SimPasteboard::string()
{
    std::lock_guard lock(mutex_);
    return text_;
}

}  // namespace sim
