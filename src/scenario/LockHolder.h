#pragma once

namespace sim {
class SimWorkspace;
}

namespace scenario {

// When another live copy of the application holds the instance lock, lists it with the
// workspace as a running copy of this application; activating it asks it to reopen.
// Only reads the lock: taking it stays the application's own step.
void announceLockHolder(sim::SimWorkspace& workspace);

}  // namespace scenario
