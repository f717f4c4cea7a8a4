#pragma once

#include "platform/desktop/Permissions.h"

#include <memory>

namespace sim {

class SimWorld;

// The screen-recording grant is the world's; asking for it changes nothing.
class SimPermissions : public desktop::Permissions {
public:
    explicit SimPermissions(std::shared_ptr<SimWorld> world);
    bool hasGrants() const override { return true; }
    bool screenCapturePreflight() override;
    bool requestScreenCapture() override;

private:
    std::shared_ptr<SimWorld> world_;
};

}  // namespace sim
