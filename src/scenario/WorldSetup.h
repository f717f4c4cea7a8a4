#pragma once

#include "scenario/ScenarioFile.h"

#include "platform/core/AppIdentity.h"

#include <memory>

namespace desktop {
struct Desktop;
}

// The desktop and the system settings a scenario starts from.
namespace scenario {

class OutputFolder;

desktop::DisplayInfo displayInfo(const ScenarioDisplay& spec);
sim::SimApp simApp(const ScenarioApp& spec);
sim::SimWindow simWindow(const ScenarioWindow& spec, desktop::Pid pid);

// Displays, running applications and their windows stacked as the file says (the order
// of listing unless `front` names windows to put first), the frontmost application and
// the grants.
std::shared_ptr<sim::SimWorld> makeWorld(const Scenario& scenario);

// The services' faults and knobs: virtual displays, the window server's switches, input,
// the login item and the hot keys other applications hold.
void configureServices(const Scenario& scenario, desktop::Desktop& services);

// The preferred languages, the environment and the system the application reads, and the
// settings written to the store before launch.
void applySystemSettings(const Scenario& scenario);

// The application's identity for the run: the given one with the file's values, the
// bundle path taken inside the output folder.
core::AppIdentity runIdentity(const IdentityWorld& world, core::AppIdentity identity, const OutputFolder& output);

}  // namespace scenario
