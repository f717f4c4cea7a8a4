#pragma once

#include "platform/desktop/Displays.h"
#include "platform/sim/MainQueueObservers.h"

#include <memory>

namespace sim {

class SimWorld;

// The displays of the simulated desktop, with the configuration transaction and its
// notice.
class SimDisplays : public desktop::Displays {
public:
    explicit SimDisplays(std::shared_ptr<SimWorld> world);
    ~SimDisplays() override;

    std::vector<desktop::DisplayInfo> activeDisplays() override;
    std::optional<desktop::DisplayInfo> display(desktop::DisplayID id) override;
    std::optional<desktop::DisplayID> mainDisplayID() override;
    std::optional<desktop::DisplayID> displayAt(core::Point point) override;
    std::optional<desktop::DisplayMode> currentMode(desktop::DisplayID id) override;
    int commitConfiguration(const std::vector<desktop::OriginChange>& changes) override;
    desktop::Token addConfigurationObserver(std::function<void()> onChange) override;
    void removeConfigurationObserver(desktop::Token token) override;

private:
    std::shared_ptr<SimWorld> world_;
    MainQueueObservers<> observers_;
    std::uint64_t listener_ = 0;
};

}  // namespace sim
