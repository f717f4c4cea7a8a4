#pragma once

namespace dispatch {
class ThreadScheduler;
}

namespace ui {

// Runs the main queue in the Qt event loop: new work is drained on the loop's next turn,
// delayed work when its time comes. Call once on the GUI thread after the application
// object exists; it keeps driving until the application object goes away.
void runMainQueueOnQt(dispatch::ThreadScheduler& scheduler);

}  // namespace ui
