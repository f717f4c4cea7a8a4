#include "platform/sim/SimPermissions.h"

#include "platform/sim/SimWorld.h"

namespace sim {

SimPermissions::SimPermissions(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

bool SimPermissions::screenCapturePreflight() { return world_->screenRecordingAllowed(); }

bool SimPermissions::requestScreenCapture()
{
    const bool granted = world_->screenRecordingAllowed();
    world_->record({{"do", "permission.request"}, {"kind", "screenRecording"}, {"granted", granted}});
    return granted;
}

}  // namespace sim
