#pragma once

#include "platform/desktop/Desktop.h"

#include <memory>

namespace sim {

class SimWorld;

// Every service of the simulated desktop over one world. The application itself joins
// the world's running applications.
std::shared_ptr<desktop::Desktop> makeSimDesktop(std::shared_ptr<SimWorld> world);

}  // namespace sim
