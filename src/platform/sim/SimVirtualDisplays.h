#pragma once

#include "platform/desktop/VirtualDisplays.h"

#include <memory>
#include <mutex>
#include <set>

namespace sim {

class SimWorld;

// Virtual displays join the world's display list while their object lives. Like the
// real service, a display gets its mode about a second after its settings.
class SimVirtualDisplays : public desktop::VirtualDisplays {
public:
    static constexpr double modeDelay = 1.0;

    explicit SimVirtualDisplays(std::shared_ptr<SimWorld> world);
    bool available() override;
    std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor& descriptor) override;

private:
    struct Serials {
        std::mutex mutex;
        std::set<std::uint32_t> inUse;
    };

    std::shared_ptr<SimWorld> world_;
    std::shared_ptr<Serials> serials_ = std::make_shared<Serials>();
};

}  // namespace sim
