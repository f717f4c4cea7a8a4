#include "platform/sim/SimLoginItem.h"

#include "platform/sim/SimWorld.h"

namespace sim {
namespace {

desktop::Error loginItemError(long code, const std::string& text) { return {"SimLoginItem", code, text, text}; }

nlohmann::json resultOf(const std::optional<desktop::Error>& error)
{
    return error ? nlohmann::json(error->description) : nlohmann::json("ok");
}

}  // namespace

SimLoginItem::SimLoginItem(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

desktop::LoginItem::Status SimLoginItem::statusLocked() const
{
    if (notFound_) return Status::notFound;
    if (!registered_) return Status::notRegistered;
    return requiresApproval_ ? Status::requiresApproval : Status::enabled;
}

desktop::LoginItem::Status SimLoginItem::status()
{
    std::lock_guard lock(mutex_);
    return statusLocked();
}

std::optional<desktop::Error> SimLoginItem::registerItem()
{
    std::optional<desktop::Error> error;
    Status after;
    {
        std::lock_guard lock(mutex_);
        if (notFound_)
            error = loginItemError(3, "The application could not be found.");
        else
            registered_ = true;
        after = statusLocked();
    }
    world_->record({{"do", "loginItem.register"}, {"result", resultOf(error)}, {"status", static_cast<int>(after)}});
    return error;
}

std::optional<desktop::Error> SimLoginItem::unregisterItem()
{
    std::optional<desktop::Error> error;
    Status after;
    {
        std::lock_guard lock(mutex_);
        if (!registered_ || notFound_)
            error = loginItemError(1, "The login item is not registered.");
        else
            registered_ = false;
        after = statusLocked();
    }
    world_->record({{"do", "loginItem.unregister"}, {"result", resultOf(error)}, {"status", static_cast<int>(after)}});
    return error;
}

void SimLoginItem::setRegistered(bool registered)
{
    std::lock_guard lock(mutex_);
    registered_ = registered;
}

void SimLoginItem::setRequiresApproval(bool requiresApproval)
{
    std::lock_guard lock(mutex_);
    requiresApproval_ = requiresApproval;
}

void SimLoginItem::setNotFound(bool notFound)
{
    std::lock_guard lock(mutex_);
    notFound_ = notFound;
}

}  // namespace sim
