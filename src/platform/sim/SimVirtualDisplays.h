#pragma once

#include "platform/desktop/VirtualDisplays.h"

#include <memory>
#include <optional>

namespace sim {

class SimWorld;

// Virtual displays join the world's display list when made. Like the real service, a
// display has no mode until a while after its settings, and one that has ended
// (released or ended by the system) stays listed until the next configuration commit.
class SimVirtualDisplays : public desktop::VirtualDisplays {
public:
    struct Options {
        bool available = true;
        std::optional<double> modeDelay = 1.0;  // seconds after the settings; none: the mode never comes
        std::optional<int> lingerCommits = 1;   // none: an ended display stays listed for good
    };

    explicit SimVirtualDisplays(std::shared_ptr<SimWorld> world);
    // Applies to what displays do from now on.
    void setOptions(const Options& options);

    bool available() override;
    std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor& descriptor) override;

    // Ends a virtual display the way the system does (by default the first listed one
    // that has not ended): its object reads terminated, its termination handler runs on
    // the main queue, and it lingers like a released one. False when there is none.
    bool terminate(std::optional<desktop::DisplayID> id = std::nullopt);

    // What the service shares with the displays it made; opaque outside.
    struct Shared;

private:
    std::shared_ptr<SimWorld> world_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace sim
