#pragma once

#include "platform/desktop/LoginItem.h"

#include <memory>
#include <mutex>

namespace sim {

class SimWorld;

// The login item of the simulated desktop. Registration is remembered; two knobs make
// the system answer the other ways it can.
class SimLoginItem : public desktop::LoginItem {
public:
    explicit SimLoginItem(std::shared_ptr<SimWorld> world);

    Status status() override;
    // Every copy can be registered; the knobs below make registering fail instead.
    std::optional<std::string> registrationRefusal() override { return std::nullopt; }
    std::optional<desktop::Error> registerItem() override;
    std::optional<desktop::Error> unregisterItem() override;

    // Registered before the application starts (a login item from an earlier session).
    void setRegistered(bool registered);
    // While registered, the user still has to approve the item.
    void setRequiresApproval(bool requiresApproval);
    // The system cannot find the application: status notFound, registering fails.
    void setNotFound(bool notFound);

private:
    Status statusLocked() const;

    std::shared_ptr<SimWorld> world_;
    std::mutex mutex_;
    bool registered_ = false;
    bool requiresApproval_ = false;
    bool notFound_ = false;
};

}  // namespace sim
